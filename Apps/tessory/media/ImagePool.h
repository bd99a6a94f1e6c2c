#pragma once
// Pictures handed back by the last stage of a pipeline for its first stage to fill again,
// so a video of any length runs on a fixed set of frame buffers.
#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class ImagePool {
  public:
    explicit ImagePool(size_t capacity) : mCapacity(capacity) {}

    // A picture given back earlier, or an empty one when none is left.
    Image take() {
        std::lock_guard lock(mMutex);
        if (mImages.empty()) return Image();
        Image image = std::move(mImages.back());
        mImages.pop_back();
        return image;
    }
    // Kept for a later take(); dropped when the pool is full.
    void give(Image&& image) {
        std::lock_guard lock(mMutex);
        if (mImages.size() < mCapacity) mImages.push_back(std::move(image));
    }

  private:
    size_t mCapacity;
    std::mutex mMutex;
    std::vector<Image> mImages;
};

}  // namespace Corvane::Tessory::Cli
