// A host image buffer: 8, 16 or 32 bits per channel, channels alpha, red, green, blue in
// memory, rows optionally padded with a known byte so writes past a row can be caught.
#pragma once

#include <cstdint>

#include "AE_Effect.h"
#include "Host/PixelBuffer.h"

namespace Corvane::Tessory::Host {

class Layer {
  public:
    /// The byte every padding byte holds until something overwrites it.
    static constexpr uint8_t kPaddingByte = 0xA5;

    /// world_flags bits this host sets: the depth of a world it made, so the pixel-data
    /// callbacks can refuse a request for another depth. Worlds without them are accepted
    /// at any depth.
    static constexpr A_long kWorldFlagDeep = 1L << 0;
    static constexpr A_long kWorldFlagWriteable = 1L << 1;
    static constexpr A_long kWorldFlagDepth8 = 1L << 8;
    static constexpr A_long kWorldFlagDepth16 = 1L << 9;
    static constexpr A_long kWorldFlagDepth32 = 1L << 10;

    /// depth is bits per channel: 8, 16 or 32 (float). Throws HostError for another
    /// depth, a negative size or padding, or (16 and 32 bits) padding that is not a whole
    /// number of channels.
    Layer(int width, int height, int depth = 8, int paddingBytes = 0);
    Layer(const Layer& other);
    Layer& operator=(const Layer& other);
    Layer(Layer&& other) noexcept;
    Layer& operator=(Layer&& other) noexcept;
    ~Layer() = default;

    PF_LayerDef* def() { return &mDef; }
    const PF_LayerDef* def() const { return &mDef; }

    int width() const { return mDef.width; }
    int height() const { return mDef.height; }
    int rowbytes() const { return mDef.rowbytes; }
    int depth() const { return mDepth; }
    int bytesPerPixel() const { return mDepth / 2; }
    int paddingBytes() const { return mPadding; }
    /// PF_PixelFormat_ARGB32, _ARGB64 or _ARGB128 for the depth.
    int32_t pixelFormat() const;

    PF_Pixel& pixel8(int x, int y);
    const PF_Pixel& pixel8(int x, int y) const;
    PF_Pixel16& pixel16(int x, int y);
    const PF_Pixel16& pixel16(int x, int y) const;
    PF_PixelFloat& pixelF(int x, int y);
    const PF_PixelFloat& pixelF(int x, int y) const;
    uint8_t* row(int y);
    const uint8_t* row(int y) const;

    /// 8-bit layers only: copies packed R, G, B, A pixels (rowBytes apart) in, or this
    /// layer's pixels out in that order; the host's own order is A, R, G, B.
    void readRGBA(const uint8_t* pixels, size_t rowBytes);
    void writeRGBA(uint8_t* pixels, size_t rowBytes) const;

    /// Trades this layer's pixel memory for `pixels`, which must be as large, without
    /// copying: a frame held elsewhere in the host's order becomes the layer's. Throws
    /// HostError for another size or a padded layer.
    void swapPixels(PixelBuffer& pixels);

    /// True while every padding byte still holds kPaddingByte.
    bool paddingIntact() const;
    /// Sets every pixel (not the padding) to the colour, converted to the layer's depth
    /// (16 bits: 0..32768, float: 0..1).
    void fill(PF_Pixel color);

  private:
    void point();

    int mDepth = 8;
    int mPadding = 0;
    PixelBuffer mBytes;
    PF_LayerDef mDef{};
};

}  // namespace Corvane::Tessory::Host
