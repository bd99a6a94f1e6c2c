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

inline uint32_t unorm8(float v) {
    v = v < 0.0f ? 0.0f : v;
    v = v > 255.0f ? 255.0f : v;
    return static_cast<uint32_t>(static_cast<int>(v + 0.5f));
}

// Y'CbCr to 0..255 RGB: R = Y' + 2 (1 - Kr) Cr', B = Y' + 2 (1 - Kb) Cb', and G from
// Y' = Kr R + Kg G + Kb B; the factors include the range's scales.
struct ToRgb {
    float yOffset, yScale, rFromCr, gFromCb, gFromCr, bFromCb;
};

// A chroma row repeated over the pixels its samples cover, less 128.
TESSORY_ROW_LOOP void expandChroma(const uint8_t* c, int width, int shift, float* out) {
    if (shift == 0) {
        for (int x = 0; x < width; ++x) out[x] = static_cast<float>(c[x]) - 128.0f;
        return;
    }
    // In pairs: indexing by x / 2 would make the compiler gather.
    const int pairs = width / 2;
    for (int i = 0; i < pairs; ++i) {
        const float v = static_cast<float>(c[i]) - 128.0f;
        out[2 * i] = v;
        out[2 * i + 1] = v;
    }
    if (width % 2) out[width - 1] = static_cast<float>(c[pairs]) - 128.0f;
}

// Whole little-endian words built with shifts: byte stores of four channels vectorise
// badly. Red sits `shift` bits up (0 in R, G, B, A order, 8 in A, R, G, B), green and blue
// above it, alpha in the byte left.
TESSORY_ROW_LOOP void rgbaRow(const uint8_t* luma, const float* cb, const float* cr, int width,
                              ToRgb k, unsigned shift, uint8_t* out) {
    const uint32_t alpha = 0xffu << ((shift + 24) & 31);
    for (int x = 0; x < width; ++x) {
        const float l = (static_cast<float>(luma[x]) - k.yOffset) * k.yScale;
        const uint32_t word = unorm8(l + k.rFromCr * cr[x]) << shift |
                              unorm8(l - k.gFromCb * cb[x] - k.gFromCr * cr[x]) << (shift + 8) |
                              unorm8(l + k.bFromCb * cb[x]) << (shift + 16) | alpha;
        std::memcpy(out + 4 * x, &word, 4);
    }
}

// RGBA (red `shift` bits up, as in rgbaRow) to Y' and to the per-pixel B - Y' and R - Y' (0..255
// scale), which are added to db and dr unless first.
struct FromRgb {
    float kr, kg, kb, yOffset, yScale;
};

TESSORY_ROW_LOOP void lumaRow(const uint8_t* in, int width, FromRgb k, unsigned shift, bool first,
                              uint8_t* luma, float* db, float* dr) {
    for (int x = 0; x < width; ++x) {
        uint32_t word;
        std::memcpy(&word, in + 4 * x, 4);
        const float red = static_cast<float>(word >> shift & 0xff);
        const float green = static_cast<float>(word >> (shift + 8) & 0xff);
        const float blue = static_cast<float>(word >> (shift + 16) & 0xff);
        const float l = k.kr * red + k.kg * green + k.kb * blue;
        luma[x] = static_cast<uint8_t>(unorm8(k.yOffset + l * k.yScale));
        db[x] = (first ? 0.0f : db[x]) + (blue - l);
        dr[x] = (first ? 0.0f : dr[x]) + (red - l);
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

unsigned redShift(PixelOrder order) {
    return static_cast<unsigned>(8 * redByte(order));
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
    const float kg = 1.0f - mKr - mKb, cs = 255.0f / mCRange;
    const ToRgb k{mYOffset,
                  255.0f / mYRange,
                  2 * (1 - mKr) * cs,
                  2 * mKb * (1 - mKb) / kg * cs,
                  2 * mKr * (1 - mKr) / kg * cs,
                  2 * (1 - mKb) * cs};
    std::vector<float> cb(static_cast<size_t>(width)), cr(cb.size());
    for (int y = 0; y < height; ++y) {
        if (y % (1 << mShiftY) == 0) {
            const int cy = y >> mShiftY;
            expandChroma(frame.data[1] + cy * frame.linesize[1], width, mShiftX, cb.data());
            expandChroma(frame.data[2] + cy * frame.linesize[2], width, mShiftX, cr.data());
        }
        rgbaRow(frame.data[0] + y * frame.linesize[0], cb.data(), cr.data(), width, k,
                redShift(order), rgba + static_cast<size_t>(y) * width * 4);
    }
}

void YuvConverter::fromRgba(const uint8_t* rgba, int width, int height, AVFrame& frame,
                            PixelOrder order) const {
    const FromRgb k{mKr, 1.0f - mKr - mKb, mKb, mYOffset, mYRange / 255.0f};
    const float cbScale = mCRange / (255.0f * 2 * (1 - mKb));
    const float crScale = mCRange / (255.0f * 2 * (1 - mKr));
    std::vector<float> db(static_cast<size_t>(width)), dr(db.size());
    for (int cy = 0; cy << mShiftY < height; ++cy) {
        const int y0 = cy << mShiftY;
        const int rows = height - y0 < (1 << mShiftY) ? height - y0 : (1 << mShiftY);
        for (int r = 0; r < rows; ++r) {
            lumaRow(rgba + static_cast<size_t>(y0 + r) * width * 4, width, k, redShift(order),
                    r == 0, frame.data[0] + (y0 + r) * frame.linesize[0], db.data(), dr.data());
        }
        chromaRow(db.data(), width, mShiftX, rows, cbScale, frame.data[1] + cy * frame.linesize[1]);
        chromaRow(dr.data(), width, mShiftX, rows, crScale, frame.data[2] + cy * frame.linesize[2]);
    }
}

}  // namespace Corvane::Tessory::Cli
