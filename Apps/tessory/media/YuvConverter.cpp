#include "media/YuvConverter.h"

#include <cstring>
#include <vector>

namespace Corvane::Tessory::Cli {

namespace {

// The row loops are built for AVX2 too and chosen at load time; their clamps vectorise only
// without trapping math (see CMakeLists.txt).
#if defined(__x86_64__) && defined(__GNUC__)
#define TESSORY_ROW_LOOP [[gnu::target_clones("arch=x86-64-v4", "avx2", "default")]]
#else
#define TESSORY_ROW_LOOP
#endif

// A value that already carries the rounding half, truncated and clamped as an integer:
// float clamps with ternaries vectorise as compares and masked blends, integer ones as
// single min and max instructions. Below 0 the truncation gives a number at most 0, or
// INT_MIN, both clamped to 0.
inline uint32_t rounded8(float v) {
    const int i = static_cast<int>(v);
    return static_cast<uint32_t>(i < 0 ? 0 : i > 255 ? 255 : i);
}

// Rounded half up and clamped to 0..255.
inline uint32_t unorm8(float v) {
    return rounded8(v + 0.5f);
}

// Y'CbCr to 0..255 RGB: R = Y' + 2 (1 - Kr) Cr', B = Y' + 2 (1 - Kb) Cb', and G from
// Y' = Kr R + Kg G + Kb B; the factors include the range's scales. The luma term carries
// the half that rounds each channel.
struct ToRgb {
    float yScale, yBias, rFromCr, gFromCb, gFromCr, bFromCb;
};

// Each chroma sample's three terms, once per sample rather than once per pixel, repeated
// over the pixels the sample covers; one more than the width, for an odd width's last pair.
struct ChromaTerms {
    explicit ChromaTerms(int width) : r(static_cast<size_t>(width) + 1), g(r.size()), b(r.size()) {}
    std::vector<float> r, g, b;
};

// Restrict-qualified: with five arrays the compiler would not vectorise behind run-time
// overlap checks.
TESSORY_ROW_LOOP void chromaTerms(const uint8_t* __restrict cbRow, const uint8_t* __restrict crRow,
                                  int width, int shift, ToRgb k, float* __restrict r,
                                  float* __restrict g, float* __restrict b) {
    if (shift == 0) {
        for (int x = 0; x < width; ++x) {
            const float cb = static_cast<float>(cbRow[x]) - 128.0f;
            const float cr = static_cast<float>(crRow[x]) - 128.0f;
            r[x] = k.rFromCr * cr;
            g[x] = k.gFromCb * cb + k.gFromCr * cr;
            b[x] = k.bFromCb * cb;
        }
        return;
    }
    // In pairs: indexing by x / 2 would make the compiler gather.
    const int samples = (width + 1) / 2;
    for (int i = 0; i < samples; ++i) {
        const float cb = static_cast<float>(cbRow[i]) - 128.0f;
        const float cr = static_cast<float>(crRow[i]) - 128.0f;
        const float rt = k.rFromCr * cr, gt = k.gFromCb * cb + k.gFromCr * cr, bt = k.bFromCb * cb;
        r[2 * i] = r[2 * i + 1] = rt;
        g[2 * i] = g[2 * i + 1] = gt;
        b[2 * i] = b[2 * i + 1] = bt;
    }
}

// How far up a little-endian pixel word red sits in each order; green and blue follow.
template <PixelOrder Order>
constexpr unsigned kRedShift = static_cast<unsigned>(8 * redByte(Order));

// Whole little-endian words built with shifts: byte stores of four channels vectorise
// badly. Alpha takes the byte left over.
template <PixelOrder Order>
TESSORY_ROW_LOOP void rgbaRow(const uint8_t* luma, const ChromaTerms& c, int width, ToRgb k,
                              uint8_t* out) {
    constexpr unsigned Shift = kRedShift<Order>;
    constexpr uint32_t alpha = 0xffu << ((Shift + 24) & 31);
    const float *r = c.r.data(), *g = c.g.data(), *b = c.b.data();
    for (int x = 0; x < width; ++x) {
        const float l = static_cast<float>(luma[x]) * k.yScale + k.yBias;
        const uint32_t word = rounded8(l + r[x]) << Shift | rounded8(l - g[x]) << (Shift + 8) |
                              rounded8(l + b[x]) << (Shift + 16) | alpha;
        std::memcpy(out + 4 * x, &word, 4);
    }
}

// Pixels in Order to Y' and to the per-pixel B - Y' and R - Y'
// (0..255 scale), which start db and dr in a sample's first row and are added to them in
// its others. The luma bias carries the rounding half.
struct FromRgb {
    float kr, kg, kb, yBias, yScale;
};

template <PixelOrder Order, bool First>
TESSORY_ROW_LOOP void lumaRow(const uint8_t* in, int width, FromRgb k, uint8_t* luma, float* db,
                              float* dr) {
    constexpr unsigned Shift = kRedShift<Order>;
    for (int x = 0; x < width; ++x) {
        uint32_t word;
        std::memcpy(&word, in + 4 * x, 4);
        const float red = static_cast<float>(word >> Shift & 0xff);
        const float green = static_cast<float>(word >> (Shift + 8) & 0xff);
        const float blue = static_cast<float>(word >> (Shift + 16) & 0xff);
        const float l = k.kr * red + k.kg * green + k.kb * blue;
        luma[x] = static_cast<uint8_t>(rounded8(l * k.yScale + k.yBias));
        db[x] = (First ? 0.0f : db[x]) + (blue - l);
        dr[x] = (First ? 0.0f : dr[x]) + (red - l);
    }
}

// One chroma plane's row from the sums of `rows` rows: the mean over the pixels of each
// sample, scaled and centred on 128.
TESSORY_ROW_LOOP void chromaRow(const float* d, int width, int shift, int rows, float scale,
                                uint8_t* c) {
    const float perRow = scale / static_cast<float>(rows);
    if (shift == 0) {
        for (int x = 0; x < width; ++x) c[x] = static_cast<uint8_t>(unorm8(128.0f + d[x] * perRow));
        return;
    }
    const int pairs = width / 2;
    const float perPair = perRow * 0.5f;
    for (int i = 0; i < pairs; ++i) {
        c[i] = static_cast<uint8_t>(unorm8(128.0f + (d[2 * i] + d[2 * i + 1]) * perPair));
    }
    // An odd width's last sample covers one column.
    if (width % 2) c[pairs] = static_cast<uint8_t>(unorm8(128.0f + d[width - 1] * perRow));
}

}  // namespace

std::optional<YuvConverter> YuvConverter::make(AVPixelFormat format, const VideoColour& colour) {
    YuvConverter c;
    switch (format) {
        case AV_PIX_FMT_YUV420P:
            c.mShiftX = c.mShiftY = 1;
            break;
        case AV_PIX_FMT_YUV422P:
            c.mShiftX = 1;
            break;
        case AV_PIX_FMT_YUV444P:
            break;
        default:
            return std::nullopt;
    }
    switch (colour.matrix) {
        case AVCOL_SPC_BT709:
            c.mKr = 0.2126f, c.mKb = 0.0722f;
            break;
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
            c.mKr = 0.299f, c.mKb = 0.114f;
            break;
        case AVCOL_SPC_BT2020_NCL:
            c.mKr = 0.2627f, c.mKb = 0.0593f;
            break;
        default:
            return std::nullopt;
    }
    if (colour.range == AVCOL_RANGE_MPEG) {
        c.mYOffset = 16, c.mYRange = 219, c.mCRange = 224;
    } else if (colour.range != AVCOL_RANGE_JPEG) {
        return std::nullopt;
    }
    return c;
}

void YuvConverter::toRgba(const AVFrame& frame, uint8_t* rgba, int width, int height,
                          PixelOrder order) const {
    const float kg = 1.0f - mKr - mKb, cs = 255.0f / mCRange, yScale = 255.0f / mYRange;
    const ToRgb k{yScale,
                  0.5f - mYOffset * yScale,
                  2 * (1 - mKr) * cs,
                  2 * mKb * (1 - mKb) / kg * cs,
                  2 * mKr * (1 - mKr) / kg * cs,
                  2 * (1 - mKb) * cs};
    ChromaTerms terms(width);
    const auto row =
        order == PixelOrder::RGBA ? rgbaRow<PixelOrder::RGBA> : rgbaRow<PixelOrder::ARGB>;
    for (int y = 0; y < height; ++y) {
        if (y % (1 << mShiftY) == 0) {
            const int cy = y >> mShiftY;
            chromaTerms(frame.data[1] + cy * frame.linesize[1],
                        frame.data[2] + cy * frame.linesize[2], width, mShiftX, k, terms.r.data(),
                        terms.g.data(), terms.b.data());
        }
        row(frame.data[0] + y * frame.linesize[0], terms, width, k,
            rgba + static_cast<size_t>(y) * width * 4);
    }
}

void YuvConverter::fromRgba(const uint8_t* rgba, int width, int height, AVFrame& frame,
                            PixelOrder order) const {
    const FromRgb k{mKr, 1.0f - mKr - mKb, mKb, mYOffset + 0.5f, mYRange / 255.0f};
    const float cbScale = mCRange / (255.0f * 2 * (1 - mKb));
    const float crScale = mCRange / (255.0f * 2 * (1 - mKr));
    const bool rgbaOrder = order == PixelOrder::RGBA;
    const auto firstRow =
        rgbaOrder ? lumaRow<PixelOrder::RGBA, true> : lumaRow<PixelOrder::ARGB, true>;
    const auto nextRow =
        rgbaOrder ? lumaRow<PixelOrder::RGBA, false> : lumaRow<PixelOrder::ARGB, false>;
    std::vector<float> db(static_cast<size_t>(width)), dr(db.size());
    for (int cy = 0; cy << mShiftY < height; ++cy) {
        const int y0 = cy << mShiftY;
        const int rows = height - y0 < (1 << mShiftY) ? height - y0 : (1 << mShiftY);
        for (int r = 0; r < rows; ++r) {
            (r == 0 ? firstRow : nextRow)(rgba + static_cast<size_t>(y0 + r) * width * 4, width, k,
                                          frame.data[0] + (y0 + r) * frame.linesize[0], db.data(),
                                          dr.data());
        }
        chromaRow(db.data(), width, mShiftX, rows, cbScale, frame.data[1] + cy * frame.linesize[1]);
        chromaRow(dr.data(), width, mShiftX, rows, crScale, frame.data[2] + cy * frame.linesize[2]);
    }
}

}  // namespace Corvane::Tessory::Cli
