// Rows are computed in strips of kStripRows, one strip per pool item. Within a row each
// instance is evaluated only where it can differ from its plain behaviour: a conservative
// span per instance and row, from the disc that holds the shape and its band, mapped
// through the instance's placement. Outside that span a Fill Inside instance is
// transparent and a Fill Outside instance shows its sample at full coverage; an instance
// that is opaque there hides everything below it, so compositing starts at it.
// Arithmetic stays IEEE single precision, as the program's: fast-math moves low-alpha
// pixels visibly.
#include "CpuRenderKernel.h"

#include <cmath>
#include <cstring>

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
template <int Shape>
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
    if constexpr (Shape == 1) {
        return std::sqrt(px * px + py * py) - s1;
    } else if constexpr (Shape == 2) {
        const float r = std::sqrt(px * px + py * py);
        return maxf(r - s1, -(r - s2));
    } else if constexpr (Shape == 3) {
        const float x = kSqrt2 / 2.0f * (px - py), y = kSqrt2 / 2.0f * (px + py);
        return bars(x, y, maxf(std::fabs(x - s2), std::fabs(x + s2)));
    } else if constexpr (Shape == 4) {
        return polygon(1.0471975511965976f, 2.0943951023931953f);
    } else if constexpr (Shape == 5) {
        const float dx = maxf((ox - s1) - ux, ux - (ox + s1));
        const float dy = maxf((oy - s2) - uy, uy - (oy + s2));
        const float mx = maxf(0.0f, dx), my = maxf(0.0f, dy);
        return std::sqrt(mx * mx + my * my) + minf(0.0f, maxf(dx, dy));
    } else if constexpr (Shape == 6) {
        return polygon(0.5235987755982988f, 1.0471975511965976f);
    } else if constexpr (Shape == 7) {
        return polygon(0.39269908169872414f, 0.7853981633974483f);
    } else if constexpr (Shape == 8) {
        const float x = -py, y = px;
        return bars(x, y, maxf(std::fabs(x - s2 + s2), std::fabs(x - s2 - s2)));
    } else {
        const float x = 1.0f / kSqrt2 * (px - py), y = 1.0f / kSqrt2 * (px + py);
        const float r1 = maxf(std::fabs(x), std::fabs(y)) - s1;
        const float r2 = maxf(std::fabs(x - s1), std::fabs(y - s1)) - s1;
        return maxf(r1, -r2);
    }
}

// Pixels are handled kChunk at a time, each step in its own loop over the chunk, so that
// the arithmetic vectorises; the texel loads stay scalar (faster than gathers here).
constexpr int kChunk = 64;

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
            const float tx = mirror(ix / f.w) * f.w - 0.5f;
            const float ty = mirror(iy / f.h) * f.h - 0.5f;
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

// One instance over the row's colour in [x0, x0 + n): the program's drawLayer and
// blendColor. Full evaluates the shape; without it the chunk lies where a Fill Outside
// instance has full coverage and no band.
template <int Shape, bool Full, bool Identity, bool Band>
TESSORY_INLINE void layerChunk(const Frame& f, const Instance& k, int y, int x0, int n,
                               const Row& row) {
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
    } else {
        for (int j = 0; j < n; ++j) ea[j] = 0.0f;
    }
    float* __restrict rr = row.r + x0;
    float* __restrict rg = row.g + x0;
    float* __restrict rb = row.b + x0;
    float* __restrict ra = row.a + x0;
    const float opacity = k.opacity;
    for (int j = 0; j < n; ++j) {
        // Instance over its band (the band under it), then the result over the row.
        const float c = ca[j];
        const float la = (c + ea[j] * (1.0f - c)) * opacity;
        const float lr = (1.0f - c) * f.edgeR + c * cr[j];
        const float lg = (1.0f - c) * f.edgeG + c * cg[j];
        const float lb = (1.0f - c) * f.edgeB + c * cb[j];
        ra[j] = la + ra[j] * (1.0f - la);
        rr[j] = (1.0f - la) * rr[j] + la * lr;
        rg[j] = (1.0f - la) * rg[j] + la * lg;
        rb[j] = (1.0f - la) * rb[j] + la * lb;
    }
}

template <int Shape, bool Full>
TESSORY_INLINE void layerSpan(const Frame& f, const Instance& k, int y, Span s, const Row& row) {
    for (int x = s.begin; x < s.end; x += kChunk) {
        const int n = s.end - x < kChunk ? s.end - x : kChunk;
        if (!Full || f.edgeSize <= 0.0f) {
            k.identity ? layerChunk<Shape, Full, true, false>(f, k, y, x, n, row)
                       : layerChunk<Shape, Full, false, false>(f, k, y, x, n, row);
        } else {
            k.identity ? layerChunk<Shape, Full, true, true>(f, k, y, x, n, row)
                       : layerChunk<Shape, Full, false, true>(f, k, y, x, n, row);
        }
    }
}

template <int Shape>
TESSORY_INLINE void layer(const Frame& f, const Instance& k, int y, Span region, Span inner,
                          const Row& row) {
    // The region minus the span, on either side, and the span within the region.
    const Span left{region.begin, inner.begin < region.end ? inner.begin : region.end};
    const Span right{inner.end > region.begin ? inner.end : region.begin, region.end};
    const Span middle{inner.begin > region.begin ? inner.begin : region.begin,
                      inner.end < region.end ? inner.end : region.end};
    if (inner.empty()) {
        if (f.fillOutside) layerSpan<Shape, false>(f, k, y, region, row);
        return;
    }
    if (f.fillOutside) {
        if (!left.empty()) layerSpan<Shape, false>(f, k, y, left, row);
        if (!right.empty()) layerSpan<Shape, false>(f, k, y, right, row);
    }
    if (!middle.empty()) layerSpan<Shape, true>(f, k, y, middle, row);
}

// Pixels of row y whose instance-frame point lies within the instance's radius: the row's
// chord of the ellipse the placement makes of that disc, widened by a pixel.
Span instanceSpan(const Frame& f, const Instance& k, int y) {
    if (!k.culls) return Span{0, f.width};
    if (k.radius < 0) return Span{0, 0};
    const double py = y + 0.5;
    const double vx = k.sample.a, vy = k.sample.b;
    const double qx = k.sample.c * py + k.sample.e - f.cx;
    const double qy = k.sample.d * py + k.sample.f - f.cy;
    const double vv = vx * vx + vy * vy, vq = vx * qx + vy * qy;
    const double disc = vq * vq - vv * (qx * qx + qy * qy - k.radius * k.radius);
    if (disc < 0) return Span{0, 0};
    const double root = std::sqrt(disc);
    // Pixel x's centre is x + 0.5.
    const double lo = (-vq - root) / vv - 0.5 - 1.0, hi = (-vq + root) / vv - 0.5 + 1.0;
    if (!(lo < f.width) || !(hi >= 0)) return Span{0, 0};
    const int begin = lo <= 0 ? 0 : static_cast<int>(std::ceil(lo));
    const int end = hi >= f.width - 1 ? f.width : static_cast<int>(std::floor(hi)) + 1;
    return Span{begin, end};
}

TESSORY_INLINE void background(const Frame& f, int y, Span s, const Row& row) {
    const unsigned char* p = f.src + y * f.srcRow;
    for (int x = s.begin; x < s.end; ++x) {
        row.a[x] = p[4 * x] * (1.0f / 255.0f) * f.bgAlpha;
        row.r[x] = p[4 * x + 1] * (1.0f / 255.0f);
        row.g[x] = p[4 * x + 2] * (1.0f / 255.0f);
        row.b[x] = p[4 * x + 3] * (1.0f / 255.0f);
    }
}

// The premultiplied 8-bit target, then the output pass's straight colour.
TESSORY_INLINE void writeOut(const Frame& f, int y, Span s, const Row& row) {
    if (y >= f.dstHeight) return;
    unsigned char* out = f.dst + y * f.dstRow;
    const int end = s.end < f.dstWidth ? s.end : f.dstWidth;
    auto unorm = [](float v) { return static_cast<int>(clampf(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    for (int x = s.begin; x < end; ++x) {
        const float a = row.a[x];
        const int a8 = unorm(a);
        const uint8_t* table = f.unpremultiply + 256 * a8;
        unsigned char* p = out + 4 * x;
        p[0] = static_cast<unsigned char>(a8);
        p[1] = table[unorm(a * row.r[x])];
        p[2] = table[unorm(a * row.g[x])];
        p[3] = table[unorm(a * row.b[x])];
    }
}

template <int Shape>
TESSORY_INLINE void renderRow(const Frame& f, int y, const Row& row) {
    Span spans[kMaxInstances];
    for (int i = 0; i < f.instances; ++i) spans[i] = instanceSpan(f, f.inst[i], y);

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
        const Span next{spans[j].begin > covered.begin ? spans[j].begin : covered.begin,
                        spans[j].end < covered.end ? spans[j].end : covered.end};
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
        if (start == f.instances) {
            background(f, y, region, row);
        } else {
            for (int x = region.begin; x < region.end; ++x) {
                row.r[x] = row.g[x] = row.b[x] = row.a[x] = 0.0f;
            }
        }
        for (int i = start == f.instances ? start - 1 : start; i >= 0; --i) {
            if (f.inst[i].visible) layer<Shape>(f, f.inst[i], y, region, spans[i], row);
        }
        writeOut(f, y, region, row);
    }
}

template <int Shape>
void renderStrip(const Frame& f, int strip, const Row& row) {
    const int last = (strip + 1) * kStripRows < f.height ? (strip + 1) * kStripRows : f.height;
    for (int y = strip * kStripRows; y < last; ++y) renderRow<Shape>(f, y, row);
}

}  // namespace

StripFn stripFunction(int shape) {
    switch (shape) {
        case 1:
            return renderStrip<1>;
        case 2:
            return renderStrip<2>;
        case 3:
            return renderStrip<3>;
        case 4:
            return renderStrip<4>;
        case 5:
            return renderStrip<5>;
        case 6:
            return renderStrip<6>;
        case 7:
            return renderStrip<7>;
        case 8:
            return renderStrip<8>;
        case 9:
            return renderStrip<9>;
        default:
            return nullptr;
    }
}

}  // namespace Corvane::Tessory::CpuKernel::TESSORY_KERNEL
