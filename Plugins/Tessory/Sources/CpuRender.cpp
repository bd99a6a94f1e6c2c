// Rows are computed in strips of kStripRows, one strip per pool item. Within a row each
// instance is evaluated only where it can differ from its plain behaviour: a conservative
// span per instance and row, from the disc that holds the shape and its band, mapped
// through the instance's placement. Outside that span a Fill Inside instance is
// transparent and a Fill Outside instance shows its sample at full coverage; an instance
// that is opaque there hides everything below it, so compositing starts at it.
// Arithmetic stays IEEE single precision, as the program's: fast-math moves low-alpha
// pixels visibly.
#include "CpuRender.h"

#include <cmath>
#include <cstring>

namespace Corvane::Tessory {
namespace {

constexpr int kStripRows = 32;
constexpr float kSqrt2 = 1.4142135623730951f;

// Helpers have internal linkage and are always inlined, so that the entry point's vector
// clones compile them for their own instruction set.
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
TESSORY_INLINE float smoothstep(float e0, float e1, float x) {
    const float t = clampf((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
TESSORY_INLINE float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
// Mirror addressing of a normalised coordinate.
TESSORY_INLINE float mirror(float c) {
    c = std::fabs(c);
    const float whole = std::floor(c);
    const float f = c - whole;
    const float odd = whole - 2.0f * std::floor(whole * 0.5f);
    return odd > 0.0f ? 1.0f - f : f;
}

// x' = a x + c y + e, y' = b x + d y + f: a mat3 as the program receives it, in float.
struct Mat {
    float a, b, c, d, e, f;
};

Mat toFloat(const Affine& t) {
    return Mat{static_cast<float>(t.m00), static_cast<float>(t.m10), static_cast<float>(t.m01),
               static_cast<float>(t.m11), static_cast<float>(t.m02), static_cast<float>(t.m12)};
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

// Radius about the shape's centre outside which its distance is at least reach; negative
// when no point comes that close.
double boundingRadius(int shape, double s1, double s2, double reach) {
    constexpr double kRoot2 = 1.4142135623730951;
    switch (shape) {
        case 1:
        case 2:
            return s1 + reach;
        case 3:
        case 8:
            return s1 / 2 + reach < 0 ? -1 : kRoot2 * (s1 / 2 + reach);
        case 4:
            return (s1 + reach) / 0.5;
        case 5:
            return s1 + reach < 0 || s2 + reach < 0 ? -1 : std::hypot(s1 + reach, s2 + reach);
        case 6:
            return (s1 + reach) / std::cos(0.5235987755982988);
        case 7:
            return (s1 + reach) / std::cos(0.39269908169872414);
        default:
            return s1 + reach < 0 ? -1 : kRoot2 * (s1 + reach);
    }
}

struct Instance {
    Mat sample;  // output pixel to the instance's frame
    Mat shape;   // output pixel to the shape's frame
    float size1, size2, opacity;
    bool identity;  // sample is the identity: the sample is the pixel itself
    bool visible;   // opacity above zero
    // The span test: pixels whose instance-frame point lies within radius of the centre.
    bool culls;
    double radius;
    bool occludes;  // outside its span it is opaque (Fill Outside, opaque input, opacity 1)
};

struct Span {
    int begin, end;
    bool empty() const { return begin >= end; }
};

struct Frame {
    const unsigned char* src;
    std::ptrdiff_t srcRow;
    unsigned char* dst;
    std::ptrdiff_t dstRow;
    int width, height, dstWidth, dstHeight;
    float w, h;
    int shape;
    bool fillOutside;
    float alphaFactor, bgAlpha, drawShadow, edgeSize;
    float edgeR, edgeG, edgeB, edgeA;  // edgeA: the colour's alpha times the band's opacity
    float cx, cy;
    int instances;
    bool opaqueInput;
    Instance inst[kMaxInstances];
    const uint8_t* unpremultiply;
};

// The row's working colour, straight, one array per channel.
struct Row {
    float* r;
    float* g;
    float* b;
    float* a;
};

TESSORY_INLINE void texel(const Frame& f, int x, int y, float& r, float& g, float& b, float& a) {
    const unsigned char* p = f.src + y * f.srcRow + 4 * static_cast<std::ptrdiff_t>(x);
    a = p[0] * (1.0f / 255.0f);
    r = p[1] * (1.0f / 255.0f);
    g = p[2] * (1.0f / 255.0f);
    b = p[3] * (1.0f / 255.0f);
}

// The float texture's bilinear sample at a mirrored position, clamped to the edge texels.
TESSORY_INLINE void bilinear(const Frame& f, float ix, float iy, float& r, float& g, float& b,
                             float& a) {
    const float tx = mirror(ix / f.w) * f.w - 0.5f;
    const float ty = mirror(iy / f.h) * f.h - 0.5f;
    const float x0f = std::floor(tx), y0f = std::floor(ty);
    const float fx = tx - x0f, fy = ty - y0f;
    int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
    int x1 = x0 + 1, y1 = y0 + 1;
    const int xm = f.width - 1, ym = f.height - 1;
    x0 = x0 < 0 ? 0 : (x0 > xm ? xm : x0);
    x1 = x1 < 0 ? 0 : (x1 > xm ? xm : x1);
    y0 = y0 < 0 ? 0 : (y0 > ym ? ym : y0);
    y1 = y1 < 0 ? 0 : (y1 > ym ? ym : y1);
    const unsigned char* row0 = f.src + y0 * f.srcRow;
    const unsigned char* row1 = f.src + y1 * f.srcRow;
    uint32_t t00, t10, t01, t11;
    std::memcpy(&t00, row0 + 4 * x0, 4);
    std::memcpy(&t10, row0 + 4 * x1, 4);
    std::memcpy(&t01, row1 + 4 * x0, 4);
    std::memcpy(&t11, row1 + 4 * x1, 4);
    auto channel = [&](int shift) {
        const float c00 = static_cast<float>((t00 >> shift) & 0xff);
        const float c10 = static_cast<float>((t10 >> shift) & 0xff);
        const float c01 = static_cast<float>((t01 >> shift) & 0xff);
        const float c11 = static_cast<float>((t11 >> shift) & 0xff);
        return lerp(lerp(c00, c10, fx), lerp(c01, c11, fx), fy) * (1.0f / 255.0f);
    };
    a = channel(0);
    r = channel(8);
    g = channel(16);
    b = channel(24);
}

template <bool Identity>
TESSORY_INLINE void sampleAt(const Frame& f, const Instance& k, int x, int y, float px, float py,
                             float& r, float& g, float& b, float& a) {
    if constexpr (Identity) {
        (void)k;
        (void)px;
        (void)py;
        texel(f, x, y, r, g, b, a);
    } else {
        const float ix = k.sample.a * px + k.sample.c * py + k.sample.e;
        const float iy = k.sample.b * px + k.sample.d * py + k.sample.f;
        bilinear(f, ix, iy, r, g, b, a);
    }
}

// The program's band: from distance 1 towards smaller distances; width 0 draws none.
TESSORY_INLINE float band(const Frame& f, float d) {
    if (f.edgeSize <= 0.0f) return 0.0f;
    d = d - 1.0f;
    if (d >= 0.0f) return 0.0f;
    const float ad = std::fabs(d);
    const float shadow = 1.0f - smoothstep(0.0f, f.edgeSize, ad);
    const float stroke = 1.0f - smoothstep(f.edgeSize, f.edgeSize + 1.0f, ad);
    return clampf(lerp(stroke, shadow, f.drawShadow), 0.0f, 1.0f);
}

// Instance colour with coverage a and band alpha over the row's colour: the program's
// drawLayer and blendColor.
TESSORY_INLINE void composite(const Frame& f, const Row& row, int x, float opacity, float cr,
                              float cg, float cb, float ca, float edgeAlpha) {
    // Instance over its band (the band under it), then the result over the row.
    const float la = (ca + edgeAlpha * (1.0f - ca)) * opacity;
    const float lr = (1.0f - ca) * f.edgeR + ca * cr;
    const float lg = (1.0f - ca) * f.edgeG + ca * cg;
    const float lb = (1.0f - ca) * f.edgeB + ca * cb;
    row.a[x] = la + row.a[x] * (1.0f - la);
    row.r[x] = (1.0f - la) * row.r[x] + la * lr;
    row.g[x] = (1.0f - la) * row.g[x] + la * lg;
    row.b[x] = (1.0f - la) * row.b[x] + la * lb;
}

template <int Shape, bool Identity>
TESSORY_INLINE void fullSpan(const Frame& f, const Instance& k, int y, Span s, const Row& row) {
    const float py = static_cast<float>(y) + 0.5f;
    for (int x = s.begin; x < s.end; ++x) {
        const float px = static_cast<float>(x) + 0.5f;
        const float ux = k.shape.a * px + k.shape.c * py + k.shape.e;
        const float uy = k.shape.b * px + k.shape.d * py + k.shape.f;
        const float d = f.alphaFactor * distance<Shape>(ux, uy, f.cx, f.cy, k.size1, k.size2);
        const float cover = smoothstep(0.0f, 1.0f, d);
        const float edge = band(f, d);
        float r, g, b, a;
        sampleAt<Identity>(f, k, x, y, px, py, r, g, b, a);
        composite(f, row, x, k.opacity, r, g, b, a * cover, f.edgeA * edge * edge);
    }
}

// Fill Outside away from the shape: full coverage, no band.
template <bool Identity>
TESSORY_INLINE void outsideSpan(const Frame& f, const Instance& k, int y, Span s,
                                const Row& row) {
    const float py = static_cast<float>(y) + 0.5f;
    for (int x = s.begin; x < s.end; ++x) {
        float r, g, b, a;
        sampleAt<Identity>(f, k, x, y, static_cast<float>(x) + 0.5f, py, r, g, b, a);
        composite(f, row, x, k.opacity, r, g, b, a, 0.0f);
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
        if (f.fillOutside) {
            k.identity ? outsideSpan<true>(f, k, y, region, row)
                       : outsideSpan<false>(f, k, y, region, row);
        }
        return;
    }
    if (f.fillOutside) {
        for (Span side : {left, right}) {
            if (side.empty()) continue;
            k.identity ? outsideSpan<true>(f, k, y, side, row)
                       : outsideSpan<false>(f, k, y, side, row);
        }
    }
    if (!middle.empty()) {
        k.identity ? fullSpan<Shape, true>(f, k, y, middle, row)
                   : fullSpan<Shape, false>(f, k, y, middle, row);
    }
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

void background(const Frame& f, int y, Span s, const Row& row) {
    for (int x = s.begin; x < s.end; ++x) {
        texel(f, x, y, row.r[x], row.g[x], row.b[x], row.a[x]);
        row.a[x] *= f.bgAlpha;
    }
}

// The premultiplied 8-bit target, then the output pass's straight colour.
void writeOut(const Frame& f, int y, Span s, const Row& row) {
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
void renderRow(const Frame& f, int y, const Row& row) {
    Span spans[kMaxInstances];
    for (int i = 0; i < f.instances; ++i) spans[i] = instanceSpan(f, f.inst[i], y);

    // covered: pixels inside the span of every occluding instance so far. A pixel that
    // leaves it at instance j starts compositing at j.
    Span covered{0, f.width};
    auto composeFrom = [&](int start, Span region) {
        if (region.empty()) return;
        const bool copy = start == 0 && f.inst[0].identity && f.opaqueInput;
        if (copy && y < f.dstHeight) {
            // Instance 0 unplaced over opaque input: the pixel comes back unchanged.
            const int end = region.end < f.dstWidth ? region.end : f.dstWidth;
            if (end > region.begin) {
                std::memcpy(f.dst + y * f.dstRow + 4 * region.begin,
                            f.src + y * f.srcRow + 4 * region.begin,
                            4 * static_cast<size_t>(end - region.begin));
            }
            return;
        }
        if (start == f.instances) {
            background(f, y, region, row);
        } else {
            for (int x = region.begin; x < region.end; ++x) row.r[x] = row.g[x] = row.b[x] = row.a[x] = 0;
        }
        for (int i = start == f.instances ? start - 1 : start; i >= 0; --i) {
            if (f.inst[i].visible) layer<Shape>(f, f.inst[i], y, region, spans[i], row);
        }
        writeOut(f, y, region, row);
    };
    for (int j = 0; j < f.instances && !covered.empty(); ++j) {
        if (!f.inst[j].occludes) continue;
        const Span next{spans[j].begin > covered.begin ? spans[j].begin : covered.begin,
                        spans[j].end < covered.end ? spans[j].end : covered.end};
        if (next.empty()) {
            composeFrom(j, covered);
            covered = Span{0, 0};
            break;
        }
        composeFrom(j, Span{covered.begin, next.begin});
        composeFrom(j, Span{next.end, covered.end});
        covered = next;
    }
    composeFrom(f.instances, covered);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TESSORY_VECTOR_CLONES [[gnu::target_clones("arch=haswell", "default")]]
#else
#define TESSORY_VECTOR_CLONES
#endif

template <int Shape>
TESSORY_VECTOR_CLONES void renderStrip(const Frame& f, int strip, const Row& row) {
    const int last = (strip + 1) * kStripRows < f.height ? (strip + 1) * kStripRows : f.height;
    for (int y = strip * kStripRows; y < last; ++y) renderRow<Shape>(f, y, row);
}

using StripFn = void (*)(const Frame&, int, const Row&);

StripFn stripFunction(int shape) {
    switch (shape) {
        case 1: return renderStrip<1>;
        case 2: return renderStrip<2>;
        case 3: return renderStrip<3>;
        case 4: return renderStrip<4>;
        case 5: return renderStrip<5>;
        case 6: return renderStrip<6>;
        case 7: return renderStrip<7>;
        case 8: return renderStrip<8>;
        case 9: return renderStrip<9>;
        default: return nullptr;
    }
}

bool opaque(const CpuRender::Pixels& p) {
    for (int y = 0; y < p.height; ++y) {
        const unsigned char* row = p.data + y * p.rowBytes;
        unsigned char all = 0xff;
        for (int x = 0; x < p.width; ++x) all &= row[4 * x];
        if (all != 0xff) return false;
    }
    return true;
}

}  // namespace

CpuRender::CpuRender(unsigned threads) : mPool(threads), mUnpremultiply(256 * 256, 0) {
    // The output pass divides the 8-bit colour by the 8-bit alpha in float.
    for (int a = 1; a < 256; ++a) {
        for (int c = 0; c < 256; ++c) {
            const float v = (static_cast<float>(c) / 255.0f) / (static_cast<float>(a) / 255.0f);
            mUnpremultiply[256 * a + c] =
                static_cast<uint8_t>(clampf(v, 0.0f, 1.0f) * 255.0f + 0.5f);
        }
    }
}

void CpuRender::render(const CompositingInputs& in, const Pixels& input, const Pixels& output) {
    if (input.width <= 0 || input.height <= 0) return;
    std::vector<float> scratch(static_cast<size_t>(mPool.workers()) * 4 * input.width);

    Frame f{};
    f.src = input.data;
    f.srcRow = input.rowBytes;
    f.dst = output.data;
    f.dstRow = output.rowBytes;
    f.width = input.width;
    f.height = input.height;
    f.dstWidth = output.width;
    f.dstHeight = output.height;
    f.w = static_cast<float>(in.viewPort.x);
    f.h = static_cast<float>(in.viewPort.y);
    f.shape = in.shapeType;
    f.fillOutside = in.alphaFactor > 0;
    f.alphaFactor = in.alphaFactor;
    f.bgAlpha = in.bgAlpha;
    f.drawShadow = in.drawShadow;
    f.edgeSize = in.edgeSize;
    f.edgeR = static_cast<float>(in.edgeColor.r());
    f.edgeG = static_cast<float>(in.edgeColor.g());
    f.edgeB = static_cast<float>(in.edgeColor.b());
    f.edgeA = static_cast<float>(in.edgeColor.a()) * in.edgeAlpha;
    f.cx = static_cast<float>(in.center.x);
    f.cy = static_cast<float>(in.center.y);
    f.instances = in.instances;
    f.opaqueInput = opaque(input);
    f.unpremultiply = mUnpremultiply.data();

    // The distance beyond which an instance shows its plain behaviour: the band reaches
    // edgeSize outwards for Fill Inside; Fill Outside's coverage ramp ends at 1.
    const double reach = (f.fillOutside ? 1.0 : std::fmax(f.edgeSize, 0.0f) + 1.0) + 1.0;
    for (int i = 0; i < f.instances; ++i) {
        Instance& k = f.inst[i];
        const Affine& t = in.transforms[i];
        const float step = static_cast<float>(i);
        k.sample = toFloat(t);
        Affine shape = t;
        shape.multiply(in.shapeTransform);
        k.shape = toFloat(shape);
        k.size1 = in.shapeSize1 + in.shapeSize1Offset * step;
        k.size2 = in.shapeSize2 + in.shapeSize2Offset * step;
        k.opacity = clampf(1.0f - in.opacityOffset * step, 0.0f, 1.0f);
        k.visible = k.opacity > 0.0f;
        k.identity = k.sample.a == 1 && k.sample.d == 1 && k.sample.b == 0 &&
                     k.sample.c == 0 && k.sample.e == 0 && k.sample.f == 0;
        const double det = static_cast<double>(k.sample.a) * k.sample.d -
                           static_cast<double>(k.sample.b) * k.sample.c;
        k.radius = boundingRadius(f.shape, k.size1, k.size2, reach);
        k.culls = std::fabs(det) > 1e-9 && std::isfinite(k.radius) && std::isfinite(det);
        if (k.culls && k.radius >= 0) k.radius += 1.0;
        k.occludes = k.culls && f.fillOutside && f.opaqueInput && k.opacity == 1.0f;
    }

    const StripFn strip = stripFunction(f.shape);
    if (!strip) {
        // No body for this shape: the program does not link and the target stays clear.
        for (int y = 0; y < output.height && y < input.height; ++y) {
            std::memset(output.data + y * output.rowBytes, 0,
                        4 * static_cast<size_t>(output.width < input.width ? output.width
                                                                           : input.width));
        }
        return;
    }
    const int strips = (f.height + kStripRows - 1) / kStripRows;
    mPool.run(strips, [&](int item, int worker) {
        float* base = scratch.data() + static_cast<size_t>(worker) * 4 * f.width;
        const Row row{base, base + f.width, base + 2 * f.width, base + 3 * f.width};
        strip(f, item, row);
    });
}

}  // namespace Corvane::Tessory
