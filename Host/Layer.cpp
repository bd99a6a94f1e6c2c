#include "Host/Layer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "Host/HostError.h"
#include "PixelFormat.h"

namespace Corvane::Tessory::Host {

Layer::Layer(int width, int height, int depth, int paddingBytes)
    : mDepth(depth), mPadding(paddingBytes) {
    if (depth != 8 && depth != 16 && depth != 32) {
        throw HostError("layer depth must be 8, 16 or 32 bits per channel, not " +
                        std::to_string(depth));
    }
    if (width < 0 || height < 0 || paddingBytes < 0) {
        throw HostError("layer size and padding must not be negative");
    }
    // Deeper pixels are read as 16-bit or float channels: every row must start aligned.
    const int channelBytes = depth / 8;
    if (paddingBytes % channelBytes != 0) {
        throw HostError("padding of a " + std::to_string(depth) +
                        "-bit layer must be a multiple of " + std::to_string(channelBytes) +
                        " bytes");
    }
    const int64_t rowbytes = int64_t(width) * bytesPerPixel() + paddingBytes;
    if (rowbytes > INT32_MAX || rowbytes * height > INT32_MAX) {
        throw HostError("layer too large");
    }
    mBytes = PixelBuffer(size_t(rowbytes) * size_t(height));
    mDef.width = width;
    mDef.height = height;
    mDef.rowbytes = static_cast<A_long>(rowbytes);
    mDef.extent_hint = PF_Rect{0, 0, width, height};
    mDef.pix_aspect_ratio = PF_RationalScale{1, 1};
    mDef.world_flags = kWorldFlagWriteable | (depth == 8    ? kWorldFlagDepth8
                                              : depth == 16 ? kWorldFlagDeep | kWorldFlagDepth16
                                                            : kWorldFlagDepth32);
    for (int y = 0; y < height; ++y) {
        std::memset(row(y) + size_t(width) * bytesPerPixel(), kPaddingByte, size_t(paddingBytes));
    }
    point();
}

Layer::Layer(const Layer& other)
    : mDepth(other.mDepth),
      mPadding(other.mPadding),
      mBytes(other.mBytes.copy()),
      mDef(other.mDef) {
    point();
}

Layer& Layer::operator=(const Layer& other) {
    if (this != &other) {
        mDepth = other.mDepth;
        mPadding = other.mPadding;
        mBytes = other.mBytes.copy();
        mDef = other.mDef;
        point();
    }
    return *this;
}

Layer::Layer(Layer&& other) noexcept
    : mDepth(other.mDepth),
      mPadding(other.mPadding),
      mBytes(std::move(other.mBytes)),
      mDef(other.mDef) {
    point();
    other.mDef.data = nullptr;
}

Layer& Layer::operator=(Layer&& other) noexcept {
    if (this != &other) {
        mDepth = other.mDepth;
        mPadding = other.mPadding;
        mBytes = std::move(other.mBytes);
        mDef = other.mDef;
        point();
        other.mDef.data = nullptr;
    }
    return *this;
}

void Layer::swapPixels(PixelBuffer& pixels) {
    if (mPadding != 0 || pixels.size() != mBytes.size()) {
        throw HostError("only an unpadded layer's pixels trade for a buffer of their size");
    }
    std::swap(pixels, mBytes);
    point();
}

void Layer::point() {
    mDef.data = mBytes.empty() ? nullptr : reinterpret_cast<PF_PixelPtr>(mBytes.data());
}

int32_t Layer::pixelFormat() const {
    return mDepth == 8    ? PF_PixelFormat_ARGB32
           : mDepth == 16 ? PF_PixelFormat_ARGB64
                          : PF_PixelFormat_ARGB128;
}

uint8_t* Layer::row(int y) {
    return mBytes.data() + size_t(y) * size_t(mDef.rowbytes);
}

const uint8_t* Layer::row(int y) const {
    return mBytes.data() + size_t(y) * size_t(mDef.rowbytes);
}

PF_Pixel& Layer::pixel8(int x, int y) {
    return reinterpret_cast<PF_Pixel*>(row(y))[x];
}

const PF_Pixel& Layer::pixel8(int x, int y) const {
    return reinterpret_cast<const PF_Pixel*>(row(y))[x];
}

PF_Pixel16& Layer::pixel16(int x, int y) {
    return reinterpret_cast<PF_Pixel16*>(row(y))[x];
}

const PF_Pixel16& Layer::pixel16(int x, int y) const {
    return reinterpret_cast<const PF_Pixel16*>(row(y))[x];
}

PF_PixelFloat& Layer::pixelF(int x, int y) {
    return reinterpret_cast<PF_PixelFloat*>(row(y))[x];
}

const PF_PixelFloat& Layer::pixelF(int x, int y) const {
    return reinterpret_cast<const PF_PixelFloat*>(row(y))[x];
}

bool Layer::paddingIntact() const {
    const size_t used = size_t(mDef.width) * bytesPerPixel();
    for (int y = 0; y < mDef.height; ++y) {
        const uint8_t* pad = row(y) + used;
        for (int i = 0; i < mPadding; ++i) {
            if (pad[i] != kPaddingByte) return false;
        }
    }
    return true;
}

void Layer::fill(PF_Pixel color) {
    if (mDepth == 8 && mDef.width > 0) {
        // One row, then copies of it: a frame's fill is a few memory passes, not a loop
        // per pixel.
        for (int x = 0; x < mDef.width; ++x) pixel8(x, 0) = color;
        for (int y = 1; y < mDef.height; ++y) std::memcpy(row(y), row(0), 4 * size_t(mDef.width));
        return;
    }
    for (int y = 0; y < mDef.height; ++y) {
        for (int x = 0; x < mDef.width; ++x) {
            if (mDepth == 8) {
                pixel8(x, y) = color;
            } else if (mDepth == 16) {
                // The host's 16-bit full scale is 32768.
                auto up = [](A_u_char c) { return A_u_short((c * 32768 + 127) / 255); };
                pixel16(x, y) =
                    PF_Pixel16{up(color.alpha), up(color.red), up(color.green), up(color.blue)};
            } else {
                pixelF(x, y) = PF_PixelFloat{color.alpha / 255.0f, color.red / 255.0f,
                                             color.green / 255.0f, color.blue / 255.0f};
            }
        }
    }
}

namespace {

// RGBA and ARGB bytes differ by a rotation of the little-endian 32-bit pixel: to ARGB
// by 8 bits to the left, back by 24. As whole words the loop vectorises.
void rotateRow(const uint8_t* from, uint8_t* to, int width, int bits) {
    for (int x = 0; x < width; ++x) {
        uint32_t v;
        std::memcpy(&v, from + 4 * x, 4);
        v = v << bits | v >> (32 - bits);
        std::memcpy(to + 4 * x, &v, 4);
    }
}

}  // namespace

void Layer::readRGBA(const uint8_t* pixels, size_t rowBytes) {
    if (mDepth != 8) throw HostError("RGBA bytes go into 8-bit layers only");
    for (int y = 0; y < height(); ++y) {
        rotateRow(pixels + size_t(y) * rowBytes, row(y), width(), 8);
    }
}

void Layer::writeRGBA(uint8_t* pixels, size_t rowBytes) const {
    if (mDepth != 8) throw HostError("RGBA bytes come from 8-bit layers only");
    for (int y = 0; y < height(); ++y) {
        rotateRow(row(y), pixels + size_t(y) * rowBytes, width(), 24);
    }
}

}  // namespace Corvane::Tessory::Host
