#pragma once
// An 8-bit picture with straight alpha: what files are read into and written from, in R, G,
// B, A byte order. Video on its way from decoder to encoder may hold the host's A, R, G, B
// order instead, so that a frame moves into the host's layer and back without a copy.
#include <cstddef>
#include <cstdint>

#include "Host/PixelBuffer.h"

namespace Corvane::Tessory::Cli {

enum class PixelOrder { RGBA, ARGB };

/// Where a pixel's alpha byte and its red byte (green and blue follow) lie in each order.
constexpr size_t alphaByte(PixelOrder order) {
    return order == PixelOrder::RGBA ? 3 : 0;
}
constexpr size_t redByte(PixelOrder order) {
    return order == PixelOrder::RGBA ? 0 : 1;
}

class Image {
  public:
    Image() = default;
    /// Zero pixels. A picture takes memory only as its rows are written (a file that claims
    /// a size and then runs out of data costs what it held). Throws std::bad_alloc.
    Image(int width, int height);
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;
    ~Image() = default;

    /// Makes the picture width x height, its pixels to be written in `order`. The buffer,
    /// and the pixels in it, stay when the size is unchanged, so a picture reused frame after
    /// frame costs no new memory; a new size starts from zero pixels.
    void setSize(int width, int height, PixelOrder order = PixelOrder::RGBA);

    int width() const { return mWidth; }
    int height() const { return mHeight; }
    bool empty() const { return mWidth == 0 || mHeight == 0; }
    PixelOrder order() const { return mOrder; }

    uint8_t* pixel(int x, int y) { return data() + (static_cast<size_t>(y) * mWidth + x) * 4; }
    const uint8_t* pixel(int x, int y) const {
        return data() + (static_cast<size_t>(y) * mWidth + x) * 4;
    }
    uint8_t* data() { return mPixels.data(); }
    const uint8_t* data() const { return mPixels.data(); }
    size_t bytes() const { return mPixels.size(); }
    /// The pixels' memory, to trade with a host layer of the same size; whatever is put
    /// back must be the same size.
    Host::PixelBuffer& buffer() { return mPixels; }

    // The rest hold for either order, except blit, which copies bytes as they are.
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
    int mWidth = 0;
    int mHeight = 0;
    PixelOrder mOrder = PixelOrder::RGBA;
    Host::PixelBuffer mPixels;
};

}  // namespace Corvane::Tessory::Cli
