#include "media/Image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Corvane::Tessory::Cli {

Image::Image(int width, int height)
    : mWidth(width), mHeight(height), mBytes(static_cast<size_t>(width) * height * 4) {
    if (mBytes == 0) return;
    mData.reset(static_cast<uint8_t*>(std::calloc(mBytes, 1)));
    if (!mData) throw std::bad_alloc();
}

Image::Image(const Image& other) : Image(other.mWidth, other.mHeight) {
    if (mBytes) std::memcpy(data(), other.data(), mBytes);
}

Image& Image::operator=(const Image& other) {
    if (this != &other) *this = Image(other);
    return *this;
}

void Image::setSize(int width, int height) {
    if (width == mWidth && height == mHeight) return;
    *this = Image(width, height);
}

void Image::fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t* d = data();
    for (size_t i = 0; i < mBytes; i += 4) {
        d[i] = r;
        d[i + 1] = g;
        d[i + 2] = b;
        d[i + 3] = a;
    }
}

bool Image::hasAlpha() const {
    // A row at a time without an early exit, so that the loop vectorises.
    const size_t row = 4 * static_cast<size_t>(mWidth);
    const uint8_t* d = data();
    for (size_t start = 0; start < mBytes; start += row) {
        uint8_t all = 255;
        for (size_t i = start + 3; i < start + row; i += 4) all &= d[i];
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
    out.setSize(mWidth, mHeight);
    const uint8_t* s = data();
    uint8_t* d = out.data();
    for (size_t i = 0; i < mBytes; i += 4) {
        const unsigned a = s[i + 3];
        for (int c = 0; c < 3; ++c) d[i + c] = static_cast<uint8_t>((s[i + c] * a + 127) / 255);
        d[i + 3] = 255;
    }
}

Image Image::resized(int width, int height) const {
    Image out;
    resizeInto(out, width, height);
    return out;
}

void Image::resizeInto(Image& out, int width, int height) const {
    out.setSize(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * mHeight / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * mWidth / width);
            std::copy_n(pixel(sx, sy), 4, out.pixel(x, y));
        }
    }
}

}  // namespace Corvane::Tessory::Cli
