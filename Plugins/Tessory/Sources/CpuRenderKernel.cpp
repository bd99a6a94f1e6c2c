// Rows are computed in strips of kStripRows, one strip per pool item. Within a row each
// instance is evaluated only where it can differ from its plain behaviour: a conservative
// span per instance and row, from the disc that holds the shape and its band, mapped
// through the instance's placement. Outside that span a Fill Inside instance is
// transparent and a Fill Outside instance shows its sample at full coverage; an instance
// that is opaque there hides everything below it, so compositing starts at it. Likewise
// within a disc that lies deeper inside the shape (or a ring's hole) than its band reaches,
// an instance is transparent or its plain sample, with no shape to evaluate.
// Arithmetic stays IEEE single precision, as the program's: fast-math moves low-alpha
// pixels visibly. The one exception is the sampling of shrunk axis-aligned instances with
// AVX2, which is fixed point as a GPU's texture filter is (see sampleDirect).
#include "CpuRenderKernel.h"

#include <cmath>
#include <cstring>

#ifdef __AVX2__
#include <immintrin.h>
#endif

#ifndef TESSORY_KERNEL
#define TESSORY_KERNEL Baseline
#endif

namespace Corvane::Tessory::CpuKernel::TESSORY_KERNEL {
namespace {

constexpr float kSqrt2 = 1.4142135623730951f;

// Everything here has internal linkage: the two builds of this file must not share a
// function, or one could run the other's instructions.
#define TESSORY_INLINE [[gnu::always_inline]] inline

TESSORY_INLINE float minf(float a, float b) {
    return b < a ? b : a;
}
TESSORY_INLINE float maxf(float a, float b) {
    return a < b ? b : a;
}
TESSORY_INLINE float clampf(float v, float lo, float hi) {
    return minf(maxf(v, lo), hi);
}
TESSORY_INLINE int clampi(int v, int lo, int hi) {
    v = v < lo ? lo : v;
    return v > hi ? hi : v;
}
TESSORY_INLINE float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
TESSORY_INLINE float smoothstep(float e0, float e1, float x) {
    const float t = clampf((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
// Mirror addressing of a normalised coordinate.
TESSORY_INLINE float mirror(float c) {
    c = std::fabs(c);
    const float whole = std::floor(c);
    const float f = c - whole;
    const float odd = whole - 2.0f * std::floor(whole * 0.5f);  // 0 or 1
    return lerp(f, 1.0f - f, odd);
}

// Signed distance of the shape bodies, term for term as the program's.
template <ShapeType Shape>
TESSORY_INLINE float distance(float ux, float uy, float ox, float oy, float s1, float s2) {
    const float px = ox - ux, py = oy - uy;
    auto polygon = [&](float offset, float w) {
        const float a = std::atan2(px, py) + offset;
        return std::cos(std::floor(0.5f + a / w) * w - a) * std::sqrt(px * px + py * py) - s1;
    };
    auto bars = [&](float x, float y, float r1) {
        const float r2 = maxf(std::fabs(y - s2), std::fabs(y + s2));
        const float r3 = maxf(std::fabs(x), std::fabs(y));
        return maxf(minf(r1, r2), r3) - s1 / 2.0f;
    };
    if constexpr (Shape == ShapeType::Circle) {
        return std::sqrt(px * px + py * py) - s1;
    } else if constexpr (Shape == ShapeType::Ring) {
        const float r = std::sqrt(px * px + py * py);
        return maxf(r - s1, -(r - s2));
    } else if constexpr (Shape == ShapeType::Cross) {
        const float x = kSqrt2 / 2.0f * (px - py), y = kSqrt2 / 2.0f * (px + py);
        return bars(x, y, maxf(std::fabs(x - s2), std::fabs(x + s2)));
    } else if constexpr (Shape == ShapeType::Triangle) {
        return polygon(1.0471975511965976f, 2.0943951023931953f);
    } else if constexpr (Shape == ShapeType::Rectangle) {
        const float dx = maxf((ox - s1) - ux, ux - (ox + s1));
        const float dy = maxf((oy - s2) - uy, uy - (oy + s2));
        const float mx = maxf(0.0f, dx), my = maxf(0.0f, dy);
        return std::sqrt(mx * mx + my * my) + minf(0.0f, maxf(dx, dy));
    } else if constexpr (Shape == ShapeType::Hexagon) {
        return polygon(0.5235987755982988f, 1.0471975511965976f);
    } else if constexpr (Shape == ShapeType::Octagon) {
        return polygon(0.39269908169872414f, 0.7853981633974483f);
    } else if constexpr (Shape == ShapeType::TShape) {
        const float x = -py, y = px;
        return bars(x, y, maxf(std::fabs(x - s2 + s2), std::fabs(x - s2 - s2)));
    } else {
        const float x = 1.0f / kSqrt2 * (px - py), y = 1.0f / kSqrt2 * (px + py);
        const float r1 = maxf(std::fabs(x), std::fabs(y)) - s1;
        const float r2 = maxf(std::fabs(x - s1), std::fabs(y - s1)) - s1;
        return maxf(r1, -r2);
    }
}

// The texel coordinate (texel centres at .5) of position c along an axis of size texels, as
// the mirrored float texture addresses it.
TESSORY_INLINE float texelCoord(float c, float inverseSize, float size) {
    return mirror(c * inverseSize) * size - 0.5f;
}

// Pixels are handled kChunk at a time, each step in its own loop over the chunk, so that
// the arithmetic vectorises; the texel loads stay scalar (AVX2 gathers took 1.7 times as
// long). 256 rather than 64: each instance then reads longer runs of its two texel rows
// before the next instance's (worst frame, best of four: 52 against 49 ms).
constexpr int kChunk = 256;

// The texel pair [base, base + 1] and weight that the float texture's bilinear filter
// uses at texel coordinate t along an axis of n >= 2 texels, with edge clamping: where
// the filter clamps both taps to one edge texel, the pair is the edge pair and the weight
// selects that texel exactly.
TESSORY_INLINE void texelPair(float t, int n, int& base, float& weight) {
    const float whole = std::floor(t);
    const int i = static_cast<int>(whole);
    const bool below = i < 0, above = i >= n - 1;
    base = below ? 0 : above ? n - 2 : i;
    weight = below ? 0.0f : above ? 1.0f : t - whole;
}

#ifdef __AVX2__
// Eight pixels at a time from the row pair blended first: each pixel's texel pair as one
// 8-float vector (left colour, right colour), transposed into channel vectors, then
// blended with the weights. Returns the pixels done.
TESSORY_INLINE int blendPairsFromRow(const float* v, const int* __restrict base,
                                     const float* __restrict wx, int lo, int n,
                                     float* __restrict cr, float* __restrict cg,
                                     float* __restrict cb, float* __restrict ca) {
    const __m256 scale = _mm256_set1_ps(1.0f / 255.0f);
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        __m256 r[8];
        for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_ps(v + 4 * (base[j + i] - lo));
        // 8x8 transpose: r[c] becomes channel c of the eight pixels (left a r g b, right
        // a r g b).
        __m256 u[8], q[8];
        for (int i = 0; i < 8; i += 2) {
            u[i] = _mm256_unpacklo_ps(r[i], r[i + 1]);
            u[i + 1] = _mm256_unpackhi_ps(r[i], r[i + 1]);
        }
        for (int i = 0; i < 8; i += 4) {
            q[i] = _mm256_shuffle_ps(u[i], u[i + 2], 0x44);
            q[i + 1] = _mm256_shuffle_ps(u[i], u[i + 2], 0xEE);
            q[i + 2] = _mm256_shuffle_ps(u[i + 1], u[i + 3], 0x44);
            q[i + 3] = _mm256_shuffle_ps(u[i + 1], u[i + 3], 0xEE);
        }
        for (int i = 0; i < 4; ++i) {
            r[i] = _mm256_permute2f128_ps(q[i], q[i + 4], 0x20);
            r[i + 4] = _mm256_permute2f128_ps(q[i], q[i + 4], 0x31);
        }
        const __m256 w = _mm256_loadu_ps(wx + j);
        auto blend = [&](int c) {
            return _mm256_mul_ps(_mm256_fmadd_ps(_mm256_sub_ps(r[c + 4], r[c]), w, r[c]), scale);
        };
        _mm256_storeu_ps(ca + j, blend(0));
        _mm256_storeu_ps(cr + j, blend(1));
        _mm256_storeu_ps(cg + j, blend(2));
        _mm256_storeu_ps(cb + j, blend(3));
    }
    return j;
}

// Eight pixels at a time straight from the texels, in fixed point as a GPU's filter does:
// 8-bit vertical weights (pmaddubsw over top/bottom byte pairs, the bytes offset by 128 to
// make them signed) and 14-bit horizontal ones (pmaddwd over left/right pairs). A pixel's
// four taps become one register lane of four channel pairs, so that the only transpose is
// a 4x4 of 32-bit words; each sample stays within half an 8-bit step of the float filter.
// Starts at pixel j; returns the pixels done.
TESSORY_INLINE int sampleDirect(const unsigned char* t, std::ptrdiff_t below,
                                const int* __restrict base, const float* __restrict wx, float wy,
                                int j, int n, float* __restrict cr, float* __restrict cg,
                                float* __restrict cb, float* __restrict ca) {
    const int wyq = static_cast<int>(wy * 255.0f + 0.5f);
    const __m256i wy8 = _mm256_set1_epi16(static_cast<short>((wyq << 8) | (255 - wyq)));
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    // Top bytes 0-7 (left a r g b, right a r g b), bottom bytes 8-15: channel c's word
    // becomes (top left, bottom left, top right, bottom right).
    const __m256i taps = _mm256_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15, 0,
                                          8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15);
    const __m256 wxScale = _mm256_set1_ps(16384.0f);
    const __m256i one = _mm256_set1_epi32(16384);
    // Back from (byte - 128) * 255 * 16384 to [0, 1].
    const __m256 toUnit = _mm256_set1_ps(1.0f / (255.0f * 255.0f * 16384.0f));
    const __m256 offset = _mm256_set1_ps(128.0f / 255.0f);
    auto texels = [&](int i) {
        const unsigned char* p = t + 4 * static_cast<std::ptrdiff_t>(base[i]);
        const __m128d top = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        return _mm_castpd_si128(_mm_loadh_pd(top, reinterpret_cast<const double*>(p + below)));
    };
    for (; j + 8 <= n; j += 8) {
        // Lane 0 holds pixel i, lane 1 pixel i + 4; each 32-bit word one channel's pair of
        // vertically blended texels.
        __m256i q[4];
        for (int i = 0; i < 4; ++i) {
            const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(texels(j + i)),
                                                         texels(j + i + 4), 1);
            q[i] =
                _mm256_maddubs_epi16(wy8, _mm256_xor_si256(_mm256_shuffle_epi8(both, taps), bias));
        }
        const __m256i t0 = _mm256_unpacklo_epi32(q[0], q[1]);
        const __m256i t1 = _mm256_unpackhi_epi32(q[0], q[1]);
        const __m256i t2 = _mm256_unpacklo_epi32(q[2], q[3]);
        const __m256i t3 = _mm256_unpackhi_epi32(q[2], q[3]);
        const __m256i right = _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_loadu_ps(wx + j), wxScale));
        const __m256i w =
            _mm256_or_si256(_mm256_slli_epi32(right, 16), _mm256_sub_epi32(one, right));
        auto blend = [&](__m256i pairs) {
            return _mm256_fmadd_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, w)), toUnit, offset);
        };
        _mm256_storeu_ps(ca + j, blend(_mm256_unpacklo_epi64(t0, t2)));
        _mm256_storeu_ps(cr + j, blend(_mm256_unpackhi_epi64(t0, t2)));
        _mm256_storeu_ps(cg + j, blend(_mm256_unpacklo_epi64(t1, t3)));
        _mm256_storeu_ps(cb + j, blend(_mm256_unpackhi_epi64(t1, t3)));
    }
    return j;
}
#endif

#ifdef __AVX512BW__
// sampleDirect sixteen pixels at a time: register lane L holds pixels i + 4L, so that the
// same in-lane transpose leaves the pixels in order. Returns the pixels done.
TESSORY_INLINE int sampleDirect16(const unsigned char* t, std::ptrdiff_t below,
                                  const int* __restrict base, const float* __restrict wx, float wy,
                                  int n, float* __restrict cr, float* __restrict cg,
                                  float* __restrict cb, float* __restrict ca) {
    const int wyq = static_cast<int>(wy * 255.0f + 0.5f);
    const __m512i wy8 = _mm512_set1_epi16(static_cast<short>((wyq << 8) | (255 - wyq)));
    const __m512i bias = _mm512_set1_epi8(static_cast<char>(0x80));
    const __m512i taps =
        _mm512_broadcast_i32x4(_mm_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15));
    const __m512 wxScale = _mm512_set1_ps(16384.0f);
    const __m512i one = _mm512_set1_epi32(16384);
    const __m512 toUnit = _mm512_set1_ps(1.0f / (255.0f * 255.0f * 16384.0f));
    const __m512 offset = _mm512_set1_ps(128.0f / 255.0f);
    auto texels = [&](int i) {
        const unsigned char* p = t + 4 * static_cast<std::ptrdiff_t>(base[i]);
        const __m128d top = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        return _mm_castpd_si128(_mm_loadh_pd(top, reinterpret_cast<const double*>(p + below)));
    };
    int j = 0;
    for (; j + 16 <= n; j += 16) {
        __m512i q[4];
        for (int i = 0; i < 4; ++i) {
            const __m256i low = _mm256_inserti128_si256(_mm256_castsi128_si256(texels(j + i)),
                                                        texels(j + i + 4), 1);
            const __m256i high = _mm256_inserti128_si256(_mm256_castsi128_si256(texels(j + i + 8)),
                                                         texels(j + i + 12), 1);
            const __m512i all = _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
            q[i] =
                _mm512_maddubs_epi16(wy8, _mm512_xor_si512(_mm512_shuffle_epi8(all, taps), bias));
        }
        const __m512i t0 = _mm512_unpacklo_epi32(q[0], q[1]);
        const __m512i t1 = _mm512_unpackhi_epi32(q[0], q[1]);
        const __m512i t2 = _mm512_unpacklo_epi32(q[2], q[3]);
        const __m512i t3 = _mm512_unpackhi_epi32(q[2], q[3]);
        const __m512i right = _mm512_cvtps_epi32(_mm512_mul_ps(_mm512_loadu_ps(wx + j), wxScale));
        const __m512i w =
            _mm512_or_si512(_mm512_slli_epi32(right, 16), _mm512_sub_epi32(one, right));
        auto blend = [&](__m512i pairs) {
            return _mm512_fmadd_ps(_mm512_cvtepi32_ps(_mm512_madd_epi16(pairs, w)), toUnit, offset);
        };
        _mm512_storeu_ps(ca + j, blend(_mm512_unpacklo_epi64(t0, t2)));
        _mm512_storeu_ps(cr + j, blend(_mm512_unpackhi_epi64(t0, t2)));
        _mm512_storeu_ps(cg + j, blend(_mm512_unpacklo_epi64(t1, t3)));
        _mm512_storeu_ps(cb + j, blend(_mm512_unpackhi_epi64(t1, t3)));
    }
    return j;
}
#endif

// The bilinear sample of an axis-aligned instance (no rotation or shear). The chunk reads
// one pair of texel rows with one vertical weight; each pixel's texel pair and horizontal
// weight come from the instance's column table. Where the chunk's pixels cover more
// texels than pixels, each pixel blends its four texels directly; else the row pair is
// first blended once per texel into straight float colour, and each pixel then blends two
// neighbours of that.
TESSORY_INLINE void sampleLevelRow(const Frame& f, const Instance& k, int y, int x0, int n,
                                   float* __restrict cr, float* __restrict cg, float* __restrict cb,
                                   float* __restrict ca) {
    const int* __restrict base = k.columnBase + x0;
    const float* __restrict wx = k.columnWeight + x0;
    // A reducing instance's pixels cover more texels than there are pixels: no need to
    // look for the span of its columns.
    int lo = f.width, hi = f.width;
    if (!k.reduces) {
        hi = 0;
        for (int j = 0; j < n; ++j) {
            lo = base[j] < lo ? base[j] : lo;
            hi = base[j] > hi ? base[j] : hi;
        }
    }
    const float py = static_cast<float>(y) + 0.5f;
    int top;
    float wy;
    texelPair(texelCoord(k.sample.d * py + k.sample.f, f.invH, f.h), f.height, top, wy);
    const unsigned char* t = f.src + top * f.srcRow;
    const std::ptrdiff_t below = f.srcRow;
    const int texels = hi - lo + 2;
    const bool blendRowFirst = !k.reduces && texels <= n + 1;

    // Straight float colour of the texel pair starting at column c, as one left colour
    // and one right colour (alpha, red, green, blue each).
    alignas(32) float v[4 * (kChunk + 1)];
    if (blendRowFirst) {
        const unsigned char* p = t + 4 * static_cast<std::ptrdiff_t>(lo);
        for (int q = 0; q < 4 * texels; ++q) {
            const float c0 = p[q], c1 = p[q + below];
            v[q] = lerp(c0, c1, wy);
        }
    }
    int j = 0;
#ifdef __AVX2__
    if (blendRowFirst) {
        j = blendPairsFromRow(v, base, wx, lo, n, cr, cg, cb, ca);
    } else {
#ifdef __AVX512BW__
        j = sampleDirect16(t, below, base, wx, wy, n, cr, cg, cb, ca);
#endif
        j = sampleDirect(t, below, base, wx, wy, j, n, cr, cg, cb, ca);
    }
#endif
    for (; j < n; ++j) {
        float pair[8];
        if (blendRowFirst) {
            std::memcpy(pair, v + 4 * (base[j] - lo), sizeof pair);
        } else {
            const unsigned char* p = t + 4 * static_cast<std::ptrdiff_t>(base[j]);
            for (int q = 0; q < 8; ++q) pair[q] = lerp(p[q], p[q + below], wy);
        }
        ca[j] = lerp(pair[0], pair[4], wx[j]) * (1.0f / 255.0f);
        cr[j] = lerp(pair[1], pair[5], wx[j]) * (1.0f / 255.0f);
        cg[j] = lerp(pair[2], pair[6], wx[j]) * (1.0f / 255.0f);
        cb[j] = lerp(pair[3], pair[7], wx[j]) * (1.0f / 255.0f);
    }
}

// The instance's colour over its chunk, straight: the layer itself, or the float texture's
// bilinear sample at the mirrored position, clamped to the edge texels.
template <bool Identity>
TESSORY_INLINE void sampleChunk(const Frame& f, const Instance& k, int y, int x0, int n,
                                float* __restrict cr, float* __restrict cg, float* __restrict cb,
                                float* __restrict ca) {
    if constexpr (Identity) {
        (void)k;
        const unsigned char* p = f.src + y * f.srcRow + 4 * static_cast<std::ptrdiff_t>(x0);
        for (int j = 0; j < n; ++j) {
            ca[j] = p[4 * j] * (1.0f / 255.0f);
            cr[j] = p[4 * j + 1] * (1.0f / 255.0f);
            cg[j] = p[4 * j + 2] * (1.0f / 255.0f);
            cb[j] = p[4 * j + 3] * (1.0f / 255.0f);
        }
    } else {
        if (k.columnBase) {
            sampleLevelRow(f, k, y, x0, n, cr, cg, cb, ca);
            return;
        }
        alignas(32) float fx[kChunk], fy[kChunk];
        alignas(32) int o00[kChunk], o10[kChunk], o01[kChunk], o11[kChunk];
        alignas(32) uint32_t t00[kChunk], t10[kChunk], t01[kChunk], t11[kChunk];
        const float py = static_cast<float>(y) + 0.5f;
        const int xm = f.width - 1, ym = f.height - 1;
        const int rowBytes = static_cast<int>(f.srcRow);
        for (int j = 0; j < n; ++j) {
            const float px = static_cast<float>(x0 + j) + 0.5f;
            const float ix = k.sample.a * px + k.sample.c * py + k.sample.e;
            const float iy = k.sample.b * px + k.sample.d * py + k.sample.f;
            const float tx = texelCoord(ix, f.invW, f.w);
            const float ty = texelCoord(iy, f.invH, f.h);
            const float xf = std::floor(tx), yf = std::floor(ty);
            fx[j] = tx - xf;
            fy[j] = ty - yf;
            const int xa = static_cast<int>(xf), ya = static_cast<int>(yf);
            const int xl = clampi(xa, 0, xm), xr = clampi(xa + 1, 0, xm);
            const int yt = clampi(ya, 0, ym), yb = clampi(ya + 1, 0, ym);
            o00[j] = yt * rowBytes + 4 * xl;
            o10[j] = yt * rowBytes + 4 * xr;
            o01[j] = yb * rowBytes + 4 * xl;
            o11[j] = yb * rowBytes + 4 * xr;
        }
        for (int j = 0; j < n; ++j) {
            std::memcpy(&t00[j], f.src + o00[j], 4);
            std::memcpy(&t10[j], f.src + o10[j], 4);
            std::memcpy(&t01[j], f.src + o01[j], 4);
            std::memcpy(&t11[j], f.src + o11[j], 4);
        }
        auto channel = [&](int j, int shift) {
            const float c00 = static_cast<float>((t00[j] >> shift) & 0xff);
            const float c10 = static_cast<float>((t10[j] >> shift) & 0xff);
            const float c01 = static_cast<float>((t01[j] >> shift) & 0xff);
            const float c11 = static_cast<float>((t11[j] >> shift) & 0xff);
            return lerp(lerp(c00, c10, fx[j]), lerp(c01, c11, fx[j]), fy[j]) * (1.0f / 255.0f);
        };
        for (int j = 0; j < n; ++j) {
            ca[j] = channel(j, 0);
            cr[j] = channel(j, 8);
            cg[j] = channel(j, 16);
            cb[j] = channel(j, 24);
        }
    }
}

// The program's band: from distance 1 towards smaller distances (a width of 0, which
// draws none, is left out before).
TESSORY_INLINE float band(const Frame& f, float d) {
    d = d - 1.0f;
    const float ad = std::fabs(d);
    const float shadow = 1.0f - smoothstep(0.0f, f.edgeSize, ad);
    const float stroke = 1.0f - smoothstep(f.edgeSize, f.edgeSize + 1.0f, ad);
    const float v = clampf(lerp(stroke, shadow, f.drawShadow), 0.0f, 1.0f);
    return d >= 0.0f ? 0.0f : v;
}

// The working colour of one chunk of a row, straight, one array per channel; it stays in
// the first-level cache while every instance is composited over it.
struct Chunk {
    alignas(32) float r[kChunk];
    alignas(32) float g[kChunk];
    alignas(32) float b[kChunk];
    alignas(32) float a[kChunk];
};

// One instance over the chunk's pixels [x0, x0 + n), at offset o within the chunk: the
// program's drawLayer and blendColor. Full evaluates the shape; without it the pixels lie
// where a Fill Outside instance has full coverage and no band.
template <ShapeType Shape, bool Full, bool Identity, bool Band>
TESSORY_INLINE void layerChunk(const Frame& f, const Instance& k, int y, int x0, int n, int o,
                               Chunk& row) {
    alignas(32) float cr[kChunk], cg[kChunk], cb[kChunk], ca[kChunk], ea[kChunk];
    sampleChunk<Identity>(f, k, y, x0, n, cr, cg, cb, ca);
    if constexpr (Full) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int j = 0; j < n; ++j) {
            const float px = static_cast<float>(x0 + j) + 0.5f;
            const float ux = k.shape.a * px + k.shape.c * py + k.shape.e;
            const float uy = k.shape.b * px + k.shape.d * py + k.shape.f;
            const float d = f.alphaFactor * distance<Shape>(ux, uy, f.cx, f.cy, k.size1, k.size2);
            ca[j] *= smoothstep(0.0f, 1.0f, d);
            if constexpr (Band) {
                const float edge = band(f, d);
                ea[j] = f.edgeA * edge * edge;
            } else {
                ea[j] = 0.0f;
            }
        }
    }
    float* __restrict rr = row.r + o;
    float* __restrict rg = row.g + o;
    float* __restrict rb = row.b + o;
    float* __restrict ra = row.a + o;
    const float opacity = k.opacity;
    for (int j = 0; j < n; ++j) {
        // Instance over its band (the band under it), then the result over the row.
        const float c = ca[j];
        const float la = Full ? (c + ea[j] * (1.0f - c)) * opacity : c * opacity;
        const float lr = (1.0f - c) * f.edgeR + c * cr[j];
        const float lg = (1.0f - c) * f.edgeG + c * cg[j];
        const float lb = (1.0f - c) * f.edgeB + c * cb[j];
        ra[j] = la + ra[j] * (1.0f - la);
        rr[j] = (1.0f - la) * rr[j] + la * lr;
        rg[j] = (1.0f - la) * rg[j] + la * lg;
        rb[j] = (1.0f - la) * rb[j] + la * lb;
    }
}

template <ShapeType Shape, bool Full>
TESSORY_INLINE void layerPart(const Frame& f, const Instance& k, int y, Span s, int x0,
                              Chunk& row) {
    const int n = s.end - s.begin, o = s.begin - x0;
    if (!Full || f.edgeSize <= 0.0f) {
        k.identity ? layerChunk<Shape, Full, true, false>(f, k, y, s.begin, n, o, row)
                   : layerChunk<Shape, Full, false, false>(f, k, y, s.begin, n, o, row);
    } else {
        k.identity ? layerChunk<Shape, Full, true, true>(f, k, y, s.begin, n, o, row)
                   : layerChunk<Shape, Full, false, true>(f, k, y, s.begin, n, o, row);
    }
}

TESSORY_INLINE Span overlap(Span a, Span b) {
    return Span{a.begin > b.begin ? a.begin : b.begin, a.end < b.end ? a.end : b.end};
}

// One instance over the chunk c (at most kChunk pixels): the shape within the instance's
// span less its hole, the hole's plain behaviour, and outside the span a Fill Outside
// instance's plain sample.
template <ShapeType Shape>
TESSORY_INLINE void layer(const Frame& f, const Instance& k, int y, Span c, Span inner, Span hole,
                          Chunk& row) {
    if (inner.empty()) {
        if (f.fillOutside) layerPart<Shape, false>(f, k, y, c, c.begin, row);
        return;
    }
    if (f.fillOutside) {
        const Span left{c.begin, inner.begin < c.end ? inner.begin : c.end};
        const Span right{inner.end > c.begin ? inner.end : c.begin, c.end};
        if (!left.empty()) layerPart<Shape, false>(f, k, y, left, c.begin, row);
        if (!right.empty()) layerPart<Shape, false>(f, k, y, right, c.begin, row);
    }
    const Span middle = overlap(c, inner);
    if (middle.empty()) return;
    const Span h = overlap(middle, hole);
    if (h.empty()) {
        layerPart<Shape, true>(f, k, y, middle, c.begin, row);
        return;
    }
    if (h.begin > middle.begin) {
        layerPart<Shape, true>(f, k, y, Span{middle.begin, h.begin}, c.begin, row);
    }
    if (k.holePlain) layerPart<Shape, false>(f, k, y, h, c.begin, row);
    if (middle.end > h.end) layerPart<Shape, true>(f, k, y, Span{h.end, middle.end}, c.begin, row);
}

// Pixels of row y whose instance-frame point lies within radius of the centre: the row's
// chord of the ellipse the placement makes of that disc, widened by pad pixels each side
// (narrowed where pad is negative).
Span chord(const Frame& f, const Instance& k, int y, double radius, double pad) {
    const double py = y + 0.5;
    const double vx = k.sample.a, vy = k.sample.b;
    const double qx = k.sample.c * py + k.sample.e - f.cx;
    const double qy = k.sample.d * py + k.sample.f - f.cy;
    const double vv = vx * vx + vy * vy, vq = vx * qx + vy * qy;
    const double disc = vq * vq - vv * (qx * qx + qy * qy - radius * radius);
    if (disc < 0) return Span{0, 0};
    const double root = std::sqrt(disc);
    // Pixel x's centre is x + 0.5.
    const double lo = (-vq - root) / vv - 0.5 - pad, hi = (-vq + root) / vv - 0.5 + pad;
    if (!(lo < f.width) || !(hi >= 0)) return Span{0, 0};
    const int begin = lo <= 0 ? 0 : static_cast<int>(std::ceil(lo));
    const int end = hi >= f.width - 1 ? f.width : static_cast<int>(std::floor(hi)) + 1;
    return Span{begin, end};
}

// Where the instance can differ from its plain behaviour, widened by a pixel.
Span instanceSpan(const Frame& f, const Instance& k, int y) {
    if (!k.culls) return Span{0, f.width};
    return k.radius < 0 ? Span{0, 0} : chord(f, k, y, k.radius, 1.0);
}

// Where it shows one behaviour throughout (see Instance::hole), narrowed by a pixel.
Span holeSpan(const Frame& f, const Instance& k, int y) {
    return k.culls && k.hole > 0 ? chord(f, k, y, k.hole, -1.0) : Span{0, 0};
}

TESSORY_INLINE void background(const Frame& f, int y, Span s, Chunk& row) {
    const unsigned char* p = f.src + y * f.srcRow + 4 * static_cast<std::ptrdiff_t>(s.begin);
    for (int j = 0; j < s.end - s.begin; ++j) {
        row.a[j] = p[4 * j] * (1.0f / 255.0f) * f.bgAlpha;
        row.r[j] = p[4 * j + 1] * (1.0f / 255.0f);
        row.g[j] = p[4 * j + 2] * (1.0f / 255.0f);
        row.b[j] = p[4 * j + 3] * (1.0f / 255.0f);
    }
}

// The premultiplied 8-bit target, then the output pass's straight colour.
TESSORY_INLINE void writeOut(const Frame& f, int y, Span s, const Chunk& row) {
    if (y >= f.dstHeight) return;
    unsigned char* out = f.dst + y * f.dstRow + 4 * static_cast<std::ptrdiff_t>(s.begin);
    const int n = (s.end < f.dstWidth ? s.end : f.dstWidth) - s.begin;
    auto unorm = [](float v) { return static_cast<int>(clampf(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    for (int j = 0; j < n; ++j) {
        const float a = row.a[j];
        const int a8 = unorm(a);
        // Straight colour: the 8-bit premultiplied value over the 8-bit alpha, rounded half
        // up. c * 255 is exact in float, so one division gives the nearest float to the
        // quotient, which no tie's rounding can cross. Divided, not looked up, so the loop
        // vectorises. Where alpha rounds to 0 so does the premultiplied value: divided by 1,
        // it gives black.
        const float over = static_cast<float>(a8 > 0 ? a8 : 1);
        auto straight = [&](float c) {
            const float q = static_cast<float>(unorm(a * c)) * 255.0f / over + 0.5f;
            return static_cast<uint32_t>(static_cast<int>(q < 255.0f ? q : 255.0f));
        };
        // A, R, G, B bytes as one little-endian word: byte stores vectorise badly.
        const uint32_t word = static_cast<uint32_t>(a8) | straight(row.r[j]) << 8 |
                              straight(row.g[j]) << 16 | straight(row.b[j]) << 24;
        std::memcpy(out + 4 * static_cast<std::ptrdiff_t>(j), &word, 4);
    }
}

template <ShapeType Shape>
TESSORY_INLINE void renderRow(const Frame& f, int y) {
    Span spans[kMaxInstances], holes[kMaxInstances];
    for (int i = 0; i < f.instances; ++i) {
        spans[i] = instanceSpan(f, f.inst[i], y);
        holes[i] = holeSpan(f, f.inst[i], y);
    }

    // Where compositing starts: covered holds the pixels inside the span of every
    // occluding instance so far; a pixel that leaves it at instance j starts at j.
    struct Region {
        int start;
        Span span;
    };
    Region regions[2 * kMaxInstances + 1];
    int count = 0;
    Span covered{0, f.width};
    for (int j = 0; j < f.instances && !covered.empty(); ++j) {
        if (!f.inst[j].occludes) continue;
        const Span next = overlap(spans[j], covered);
        if (next.empty()) {
            regions[count++] = Region{j, covered};
            covered = Span{0, 0};
            break;
        }
        regions[count++] = Region{j, Span{covered.begin, next.begin}};
        regions[count++] = Region{j, Span{next.end, covered.end}};
        covered = next;
    }
    regions[count++] = Region{f.instances, covered};

    Chunk row;
    for (int r = 0; r < count; ++r) {
        const int start = regions[r].start;
        const Span region = regions[r].span;
        if (region.empty()) continue;
        if (start == 0 && f.inst[0].identity && f.opaqueInput) {
            // Instance 0 unplaced over opaque input: the pixel comes back unchanged.
            const int end = region.end < f.dstWidth ? region.end : f.dstWidth;
            if (y < f.dstHeight && end > region.begin) {
                std::memcpy(f.dst + y * f.dstRow + 4 * region.begin,
                            f.src + y * f.srcRow + 4 * region.begin,
                            4 * static_cast<size_t>(end - region.begin));
            }
            continue;
        }
        for (int x = region.begin; x < region.end; x += kChunk) {
            const Span c{x, region.end - x < kChunk ? region.end : x + kChunk};
            if (start == f.instances) {
                background(f, y, c, row);
            } else {
                for (int j = 0; j < c.end - c.begin; ++j) {
                    row.r[j] = row.g[j] = row.b[j] = row.a[j] = 0.0f;
                }
            }
            for (int i = start == f.instances ? start - 1 : start; i >= 0; --i) {
                if (f.inst[i].visible) layer<Shape>(f, f.inst[i], y, c, spans[i], holes[i], row);
            }
            writeOut(f, y, c, row);
        }
    }
}

template <ShapeType Shape>
void renderStrip(const Frame& f, int strip) {
    const int last = (strip + 1) * kStripRows < f.height ? (strip + 1) * kStripRows : f.height;
    for (int y = strip * kStripRows; y < last; ++y) renderRow<Shape>(f, y);
}

}  // namespace

void columns(const Frame& f, const Instance& k, int* base, float* weight) {
    for (int x = 0; x < f.width; ++x) {
        const float px = static_cast<float>(x) + 0.5f;
        texelPair(texelCoord(k.sample.a * px + k.sample.e, f.invW, f.w), f.width, base[x],
                  weight[x]);
    }
}

// Whole pixels ANDed together, so that the loop vectorises: alpha is each pixel's first
// byte, the low byte of the little-endian word.
bool opaqueRows(const unsigned char* data, std::ptrdiff_t rowBytes, int width, int first,
                int last) {
    for (int y = first; y < last; ++y) {
        const unsigned char* row = data + y * rowBytes;
        uint32_t all = 0xffffffffu;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, row + 4 * x, 4);
            all &= pixel;
        }
        if ((all & 0xffu) != 0xffu) return false;
    }
    return true;
}

StripFn stripFunction(int shape) {
    switch (isShape(shape) ? static_cast<ShapeType>(shape) : ShapeType{}) {
        case ShapeType::Circle:
            return renderStrip<ShapeType::Circle>;
        case ShapeType::Ring:
            return renderStrip<ShapeType::Ring>;
        case ShapeType::Cross:
            return renderStrip<ShapeType::Cross>;
        case ShapeType::Triangle:
            return renderStrip<ShapeType::Triangle>;
        case ShapeType::Rectangle:
            return renderStrip<ShapeType::Rectangle>;
        case ShapeType::Hexagon:
            return renderStrip<ShapeType::Hexagon>;
        case ShapeType::Octagon:
            return renderStrip<ShapeType::Octagon>;
        case ShapeType::TShape:
            return renderStrip<ShapeType::TShape>;
        case ShapeType::Chevron:
            return renderStrip<ShapeType::Chevron>;
    }
    return nullptr;
}

}  // namespace Corvane::Tessory::CpuKernel::TESSORY_KERNEL
