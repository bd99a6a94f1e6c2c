#include "media/Image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Corvane::Tessory::Cli {

Image::Image(int width, int height)
    : mWidth(width), mHeight(height), mPixels(static_cast<size_t>(width) * height * 4) {}

Image::Image(const Image& other)
    : mWidth(other.mWidth),
      mHeight(other.mHeight),
      mOrder(other.mOrder),
      mPixels(other.mPixels.copy()) {}

Image& Image::operator=(const Image& other) {
    if (this != &other) *this = Image(other);
    return *this;
}

void Image::setSize(int width, int height, PixelOrder order) {
    if (width != mWidth || height != mHeight) *this = Image(width, height);
    mOrder = order;
}

void Image::fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t in[4];
    in[alphaByte(mOrder)] = a;
    in[redByte(mOrder)] = r;
    in[redByte(mOrder) + 1] = g;
    in[redByte(mOrder) + 2] = b;
    uint8_t* d = data();
    for (size_t i = 0; i < bytes(); i += 4) std::copy_n(in, 4, d + i);
}

bool Image::hasAlpha() const {
    // A row at a time without an early exit, so that the loop vectorises.
    const size_t row = 4 * static_cast<size_t>(mWidth);
    const size_t alpha = alphaByte(mOrder);
    const uint8_t* d = data();
    for (size_t start = 0; start < bytes(); start += row) {
        uint8_t all = 255;
        for (size_t i = start + alpha; i < start + row; i += 4) all &= d[i];
        if (all != 255) return true;
    }
    return false;
}

void Image::blit(const Image& src, int x, int y) {
    const int x0 = std::max(0, x), x1 = std::min(mWidth, x + src.width());
    if (x0 >= x1) return;
    for (int sy = 0; sy < src.height(); ++sy) {
        const int dy = y + sy;
        if (dy < 0 || dy >= mHeight) continue;
        std::copy_n(src.pixel(x0 - x, sy), static_cast<size_t>(x1 - x0) * 4, pixel(x0, dy));
    }
}

Image Image::flattened() const {
    Image out;
    flattenInto(out);
    return out;
}

void Image::flattenInto(Image& out) const {
    out.setSize(mWidth, mHeight, mOrder);
    const size_t alpha = alphaByte(mOrder);
    const size_t colour = redByte(mOrder);
    const uint8_t* s = data();
    uint8_t* d = out.data();
    for (size_t i = 0; i < bytes(); i += 4) {
        const unsigned a = s[i + alpha];
        for (size_t c = colour; c < colour + 3; ++c) {
            d[i + c] = static_cast<uint8_t>((s[i + c] * a + 127) / 255);
        }
        d[i + alpha] = 255;
    }
}

Image Image::resized(int width, int height) const {
    Image out;
    resizeInto(out, width, height);
    return out;
}

void Image::resizeInto(Image& out, int width, int height) const {
    out.setSize(width, height, mOrder);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * mHeight / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * mWidth / width);
            std::copy_n(pixel(sx, sy), 4, out.pixel(x, y));
        }
    }
}

}  // namespace Corvane::Tessory::Cli
