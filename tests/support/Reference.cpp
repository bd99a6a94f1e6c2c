#include "Reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace Corvane::Tessory::Testing {
namespace {

constexpr double kDegToRad = 0.017453292519943;
constexpr float kSqrt2 = 1.4142135623730951f;

// Row-major 2x3 in double, as the placement of an instance is built.
struct Mat23 {
    double a00 = 1, a01 = 0, a02 = 0, a10 = 0, a11 = 1, a12 = 0;
};

// T(position) R(deg) S(scale) T(-anchor).
Mat23 placement(double ax, double ay, double px, double py, double sx, double sy, double deg) {
    const double c = std::cos(deg * kDegToRad);
    const double s = std::sin(deg * kDegToRad);
    Mat23 m;
    m.a00 = sx * c;
    m.a10 = sx * s;
    m.a01 = -(s * sy);
    m.a11 = c * sy;
    m.a02 = m.a00 * -ax + m.a01 * -ay + px;
    m.a12 = m.a10 * -ax + m.a11 * -ay + py;
    return m;
}

Mat23 inverted(const Mat23& m) {
    const double det = m.a00 * m.a11 - m.a01 * m.a10;
    if (det > -1e-6 && det < 1e-6) {
        return Mat23();
    }
    const double r = 1.0 / det;
    Mat23 o;
    o.a00 = m.a11 * r;
    o.a01 = -(m.a01 * r);
    o.a02 = (m.a01 * m.a12 - m.a11 * m.a02) * r;
    o.a10 = -(m.a10 * r);
    o.a11 = m.a00 * r;
    o.a12 = (m.a10 * m.a02 - m.a00 * m.a12) * r;
    return o;
}

void toMat3(const Mat23& m, float* out) {
    const double v[9] = {m.a00, m.a10, 0, m.a01, m.a11, 0, m.a02, m.a12, 1};
    for (int i = 0; i < 9; ++i) out[i] = static_cast<float>(v[i]);
}

void apply(const float* m, float x, float y, float& ox, float& oy) {
    ox = m[0] * x + m[3] * y + m[6];
    oy = m[1] * x + m[4] * y + m[7];
}

// The GLSL built-ins the program uses, in single precision.
struct Glsl {
    static float smoothstep(float e0, float e1, float x) {
        const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
        return t * t * (3.0f - 2.0f * t);
    }
    static float mix(float a, float b, float t) { return a * (1.0f - t) + b * t; }
    static float fract(float x) { return x - std::floor(x); }
    static float mod(float x, float y) { return x - y * std::floor(x / y); }
    static float sign(float x) { return x > 0 ? 1.0f : (x < 0 ? -1.0f : 0.0f); }
    static float step(float edge, float x) { return x < edge ? 0.0f : 1.0f; }
};

struct RGBA {
    float r, g, b, a;
};

RGBA blend(const RGBA& prev, const RGBA& src) {
    RGBA o;
    o.a = src.a + prev.a * (1.0f - src.a);
    o.r = (1.0f - src.a) * prev.r + src.a * ((1.0f - prev.a) * src.r + prev.a * src.r);
    o.g = (1.0f - src.a) * prev.g + src.a * ((1.0f - prev.a) * src.g + prev.a * src.g);
    o.b = (1.0f - src.a) * prev.b + src.a * ((1.0f - prev.a) * src.b + prev.a * src.b);
    return o;
}

float mirror(float c) {
    c = std::fabs(c);
    return Glsl::mix(Glsl::fract(c), 1.0f - Glsl::fract(c),
                     Glsl::sign(Glsl::mod(std::floor(c), 2.0f)));
}

// Samples the layer as the float texture holds it, in red, green, blue, alpha order.
class Texture {
  public:
    explicit Texture(const Host::Layer& layer) : mLayer(layer) {}

    RGBA sample(float u, float v) const {
        const int w = mLayer.width();
        const int h = mLayer.height();
        const float x = u * static_cast<float>(w) - 0.5f;
        const float y = v * static_cast<float>(h) - 0.5f;
        const float x0f = std::floor(x);
        const float y0f = std::floor(y);
        const float fx = x - x0f;
        const float fy = y - y0f;
        const int x0 = static_cast<int>(x0f);
        const int y0 = static_cast<int>(y0f);
        RGBA t00 = texel(x0, y0), t10 = texel(x0 + 1, y0);
        RGBA t01 = texel(x0, y0 + 1), t11 = texel(x0 + 1, y0 + 1);
        auto lerp2 = [&](float a, float b, float c, float d) {
            return Glsl::mix(Glsl::mix(a, b, fx), Glsl::mix(c, d, fx), fy);
        };
        return RGBA{lerp2(t00.r, t10.r, t01.r, t11.r), lerp2(t00.g, t10.g, t01.g, t11.g),
                    lerp2(t00.b, t10.b, t01.b, t11.b), lerp2(t00.a, t10.a, t01.a, t11.a)};
    }

  private:
    RGBA texel(int x, int y) const {
        x = std::clamp(x, 0, mLayer.width() - 1);
        y = std::clamp(y, 0, mLayer.height() - 1);
        const PF_Pixel& p = mLayer.pixel8(x, y);
        return RGBA{p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f, p.alpha / 255.0f};
    }
    const Host::Layer& mLayer;
};

/// What the program receives for a frame of the given size at downsample num/den.
struct FrameInputs {
    float size1, size2;
    float centerX, centerY;
    float edgeSize, edgeAlpha;
    float edgeColor[4];  // r, g, b, a
    float drawShadow;
    int instances;
    float size1Offset, size2Offset, opacityOffset;
    float bgAlpha, alphaFactor;
    float viewPort[2];
    float transforms[20][9];  // column-major mat3
    float shapeTransform[9];
};

uint8_t unorm8(float v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

FrameInputs frameInputs(const EffectSettings& s, int width, int height, A_long num, A_u_long den) {
    FrameInputs in{};
    const float D = static_cast<float>(den);
    auto size = [&](double v) { return static_cast<float>(std::lround(v)) / D; };
    auto offset = [&](double v) { return static_cast<float>(v / static_cast<double>(D)); };
    // The host hands points in downsampled pixels as 16.16; the effect keeps the integer part.
    auto point = [&](double v) {
        const long fixed = std::lround(v * num / static_cast<double>(den) * 65536.0);
        return static_cast<float>(fixed >> 16);
    };
    in.size1 = size(s.size1);
    in.size2 = size(s.size2);
    in.centerX = point(s.centerX);
    in.centerY = point(s.centerY);
    const double rotation = static_cast<double>(std::lround(s.rotation * 65536.0)) / 65536.0;
    const float shapeRotation = static_cast<float>(rotation);
    const bool shadow = s.edgeType == 1;
    in.drawShadow = shadow ? 1.0f : 0.0f;
    in.edgeSize = shadow ? size(s.shadowSize) : size(s.strokeSize);
    in.edgeAlpha = static_cast<float>((shadow ? s.shadowOpacity : s.strokeOpacity) / 100.0);
    const PF_Pixel c = shadow ? s.shadowColor : s.strokeColor;
    in.edgeColor[0] = static_cast<float>(c.red / 255.0);
    in.edgeColor[1] = static_cast<float>(c.green / 255.0);
    in.edgeColor[2] = static_cast<float>(c.blue / 255.0);
    in.edgeColor[3] = static_cast<float>(c.alpha / 255.0);
    in.instances = s.instances;
    in.size1Offset = offset(s.size1Offset);
    in.size2Offset = offset(s.size2Offset);
    in.opacityOffset = static_cast<float>(s.opacityOffset / 100.0);
    in.bgAlpha = s.transparentBackground ? 0.0f : 1.0f;
    in.alphaFactor = s.fillType == 1 ? 1.0f : -1.0f;
    in.viewPort[0] = static_cast<float>(width);
    in.viewPort[1] = static_cast<float>(height);

    const double cx = in.centerX, cy = in.centerY;
    const float px = offset(s.positionXOffset), py = offset(s.positionYOffset);
    const float sx = static_cast<float>(s.scaleXOffset / 100.0);
    const float sy = static_cast<float>(s.scaleYOffset / 100.0);
    const float rot = static_cast<float>(s.rotationOffset);
    for (int i = 0; i < std::min(s.instances, 20); ++i) {
        const double t = i;
        const double angle = static_cast<double>(static_cast<float>(i) * rot);
        const Mat23 m =
            placement(cx, cy, cx - px * t, cy - py * t, 1.0 - sx * t, 1.0 - sy * t, angle);
        toMat3(inverted(m), in.transforms[i]);
    }
    toMat3(placement(cx, cy, cx, cy, 1.0, 1.0, static_cast<double>(shapeRotation)),
           in.shapeTransform);
    return in;
}

}  // namespace

float shapeDistance(int type, float ux, float uy, float ox, float oy, float size1, float size2) {
    const float Px = ox - ux, Py = oy - uy;
    auto polygon = [&](float offset, float w) {
        const float a = std::atan2(Px, Py) + offset;
        const float dist = std::cos(std::floor(0.5f + a / w) * w - a) * std::hypot(Px, Py);
        return dist - size1;
    };
    auto bars = [&](float x, float y, float r1) {
        const float r2 = std::max(std::fabs(y - size2), std::fabs(y + size2));
        const float r3 = std::max(std::fabs(x), std::fabs(y));
        return std::max(std::min(r1, r2), r3) - size1 / 2.0f;
    };
    switch (type) {
        case 1:
            return std::hypot(ux - ox, uy - oy) - size1;
        case 2: {
            const float r = std::hypot(Px, Py);
            return std::max(r - size1, -(r - size2));
        }
        case 3: {
            const float x = kSqrt2 / 2.0f * (Px - Py);
            const float y = kSqrt2 / 2.0f * (Px + Py);
            return bars(x, y, std::max(std::fabs(x - size2), std::fabs(x + size2)));
        }
        case 4:
            return polygon(1.0471975511965976f, 2.0943951023931953f);
        case 5: {
            const float dx = std::max((ox - size1) - ux, ux - (ox + size1));
            const float dy = std::max((oy - size2) - uy, uy - (oy + size2));
            return std::hypot(std::max(0.0f, dx), std::max(0.0f, dy)) +
                   std::min(0.0f, std::max(dx, dy));
        }
        case 6:
            return polygon(0.5235987755982988f, 1.0471975511965976f);
        case 7:
            return polygon(0.39269908169872414f, 0.7853981633974483f);
        case 8: {
            const float x = -Py, y = Px;
            return bars(x, y, std::max(std::fabs(x), std::fabs(x - 2.0f * size2)));
        }
        case 9: {
            const float x = 1.0f / kSqrt2 * (Px - Py);
            const float y = 1.0f / kSqrt2 * (Px + Py);
            const float r1 = std::max(std::fabs(x), std::fabs(y)) - size1;
            const float r2 = std::max(std::fabs(x - size1), std::fabs(y - size1)) - size1;
            return std::max(r1, -r2);
        }
        default:
            return 0;
    }
}

ReferenceFrame renderReference(const Host::Layer& input, const EffectSettings& s, int shapeType,
                               A_long num, A_u_long den) {
    const int w = input.width(), h = input.height();
    const FrameInputs in = frameInputs(s, w, h, num, den);
    const Texture tex(input);
    ReferenceFrame out;
    out.width = w;
    out.height = h;
    out.pixels.resize(static_cast<size_t>(w) * h);
    out.nearOutline.assign(out.pixels.size(), 0);
    const float S = in.edgeSize;

    auto edgeBand = [&](float d) {
        if (S <= 0.0f) return 0.0f;
        d = d - 1.0f;
        const float shadow = 1.0f - Glsl::smoothstep(0.0f, S, std::fabs(d));
        const float stroke = 1.0f - Glsl::smoothstep(S, S + 1.0f, std::fabs(d));
        return std::clamp(
            Glsl::mix(Glsl::mix(stroke, shadow, in.drawShadow), 0.0f, Glsl::step(0.0f, d)), 0.0f,
            1.0f);
    };

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(w);
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(h);
            const float posX = u * in.viewPort[0], posY = v * in.viewPort[1];
            RGBA bg = tex.sample(u, v);
            bg.a *= in.bgAlpha;
            bool near = false;
            for (int i = std::min(in.instances, 20) - 1; i >= 0; --i) {
                const float k = static_cast<float>(i);
                float ix, iy, sxp, syp;
                apply(in.transforms[i], posX, posY, ix, iy);
                apply(in.shapeTransform, ix, iy, sxp, syp);
                const float d =
                    in.alphaFactor * shapeDistance(shapeType, sxp, syp, in.centerX, in.centerY,
                                                   in.size1 + in.size1Offset * k,
                                                   in.size2 + in.size2Offset * k);
                const float opacity = std::clamp(1.0f - in.opacityOffset * k, 0.0f, 1.0f);
                if (opacity > 0.0f) {
                    // Coverage ramp and band step; the stroke's outer ramp too.
                    if (d >= -1.0f && d <= 2.0f) near = true;
                    if (in.drawShadow == 0.0f && S > 0.0f && d >= -S - 1.0f && d <= 2.0f - S)
                        near = true;
                }
                const float a = Glsl::smoothstep(0.0f, 1.0f, d);
                const float edge = edgeBand(d);
                RGBA color = tex.sample(mirror(ix / in.viewPort[0]), mirror(iy / in.viewPort[1]));
                color.a *= a;
                const RGBA shadow{in.edgeColor[0], in.edgeColor[1], in.edgeColor[2],
                                  in.edgeColor[3] * edge * edge * in.edgeAlpha};
                color = blend(shadow, color);
                color.a *= opacity;
                bg = blend(bg, color);
            }
            // Render target: premultiplied, 8 bits per channel.
            const uint8_t r8 = unorm8(bg.a * bg.r), g8 = unorm8(bg.a * bg.g),
                          b8 = unorm8(bg.a * bg.b), a8 = unorm8(bg.a);
            // Output pass: straight colour, host channel order, 8 bits again.
            PF_Pixel p{0, 0, 0, 0};
            if (a8 != 0) {
                const float ca = a8 / 255.0f;
                p.alpha = unorm8(ca);
                p.red = unorm8((r8 / 255.0f) / ca);
                p.green = unorm8((g8 / 255.0f) / ca);
                p.blue = unorm8((b8 / 255.0f) / ca);
            }
            out.pixels[static_cast<size_t>(y) * w + x] = p;
            out.nearOutline[static_cast<size_t>(y) * w + x] = near ? 1 : 0;
        }
    }
    return out;
}

void fillGradient(Host::Layer& layer, uint8_t alpha) {
    const int w = layer.width(), h = layer.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            PF_Pixel& p = layer.pixel8(x, y);
            p.alpha = alpha;
            p.red = static_cast<A_u_char>(20 + 215 * x / std::max(1, w - 1));
            p.green = static_cast<A_u_char>(30 + 200 * y / std::max(1, h - 1));
            p.blue = static_cast<A_u_char>(230 - 100 * (x + y) / std::max(1, w + h - 2));
        }
    }
}

std::string Comparison::describe() const {
    std::ostringstream s;
    s << compared << " pixels compared, " << nearOutline
      << " within one pixel of an outline left out, largest difference " << worst << "/255";
    if (worstX >= 0) s << " at (" << worstX << ", " << worstY << ")";
    return s.str();
}

Comparison compare(const ReferenceFrame& ref, const Host::Layer& gl) {
    Comparison c;
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
            if (ref.nearOutline[static_cast<size_t>(y) * ref.width + x]) {
                ++c.nearOutline;
                continue;
            }
            ++c.compared;
            const PF_Pixel& a = ref.at(x, y);
            const PF_Pixel& b = gl.pixel8(x, y);
            const int diff = std::max({std::abs(a.alpha - b.alpha), std::abs(a.red - b.red),
                                       std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
            if (diff > c.worst) {
                c.worst = diff;
                c.worstX = x;
                c.worstY = y;
            }
        }
    }
    return c;
}

}  // namespace Corvane::Tessory::Testing
