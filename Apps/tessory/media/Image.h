#pragma once
// An 8-bit RGBA picture with straight alpha: what files are read into and written from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace Corvane::Tessory::Cli {

class Image {
  public:
    Image() = default;
    /// Zero pixels. The buffer comes from calloc: a large one is mapped zero pages, so a
    /// picture takes memory only as its rows are written (a file that claims a size and
    /// then runs out of data costs what it held). Throws std::bad_alloc.
    Image(int width, int height);
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;
    ~Image() = default;

    /// Makes the picture width x height. The buffer, and the pixels in it, stay when the
    /// size is unchanged, so a picture reused frame after frame costs no new memory; a new
    /// size starts from zero pixels.
    void setSize(int width, int height);

    int width() const { return mWidth; }
    int height() const { return mHeight; }
    bool empty() const { return mWidth == 0 || mHeight == 0; }

    uint8_t* pixel(int x, int y) { return data() + (static_cast<size_t>(y) * mWidth + x) * 4; }
    const uint8_t* pixel(int x, int y) const {
        return data() + (static_cast<size_t>(y) * mWidth + x) * 4;
    }
    uint8_t* data() { return mData.get(); }
    const uint8_t* data() const { return mData.get(); }
    size_t bytes() const { return mBytes; }

    void fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    // Whether any pixel is less than opaque.
    bool hasAlpha() const;
    // Copies src with its top left corner at (x, y), clipped to this picture.
    void blit(const Image& src, int x, int y);
    // The picture composited over opaque black, for formats without alpha; the Into form
    // writes into out, reusing its buffer.
    Image flattened() const;
    void flattenInto(Image& out) const;
    // Nearest-neighbour resample, enough for draft renders and thumbnails.
    Image resized(int width, int height) const;
    void resizeInto(Image& out, int width, int height) const;

  private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };

    int mWidth = 0;
    int mHeight = 0;
    size_t mBytes = 0;
    std::unique_ptr<uint8_t[], Free> mData;
};

}  // namespace Corvane::Tessory::Cli
