#pragma once
// The parts of a split render as one source: each part file read to its end, then the next.
#include <memory>
#include <string>
#include <vector>

#include "media/FrameSource.h"
#include "media/VideoReader.h"

namespace Corvane::Tessory::Cli {

class PartsReader final : public FrameSource {
  public:
    // Opens the first part at once; throws InputError when a part is missing or unreadable.
    explicit PartsReader(std::vector<std::string> paths);

    int width() const override { return mReader->width(); }
    int height() const override { return mReader->height(); }
    int rateNum() const override { return mReader->rateNum(); }
    int rateDen() const override { return mReader->rateDen(); }
    int64_t expectedFrames() const override { return 0; }
    double startSeconds() const override { return mReader->startSeconds(); }
    AVRational timeBase() const override { return mReader->timeBase(); }
    const VideoColour& colour() const override { return mReader->colour(); }
    bool hasAlpha() const override { return mReader->hasAlpha(); }
    int bitDepth() const override { return mReader->bitDepth(); }
    std::string audioSource() const override { return {}; }
    // Frames are numbered through all parts.
    bool read(VideoFrame& frame) override;

  private:
    void open(size_t part);

    std::vector<std::string> mPaths;
    size_t mPart = 0;
    int64_t mIndex = 0;
    std::unique_ptr<VideoReader> mReader;
};

}  // namespace Corvane::Tessory::Cli
