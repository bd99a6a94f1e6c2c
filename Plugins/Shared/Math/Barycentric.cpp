#include "Math/Barycentric.h"

namespace Corvane::Tessory {

namespace {

double dotOf(const Vec2& a, const Vec2& b) {
    return a.dot(b);
}
double dotOf(const Vec3& a, const Vec3& b) {
    return a.dot(b);
}
double dotOf(const Vec4& a, const Vec4& b) {
    return a.dot(b);
}
double dotOf(const Color& a, const Color& b) {
    return a.r() * b.r() + a.g() * b.g() + a.b() * b.b() + a.a() * b.a();
}

// The five dot products of the edges e0 = b - c, e1 = a - c, e2 = p - c, c being the
// reference vertex.
struct EdgeDots {
    double d00, d11, d01, d20, d21;
};

template <typename T>
EdgeDots edgeDots(const T& a, const T& b, const T& c, const T& p) {
    const T e0 = b - c;
    const T e1 = a - c;
    const T e2 = p - c;
    return {dotOf(e0, e0), dotOf(e1, e1), dotOf(e0, e1), dotOf(e2, e0), dotOf(e2, e1)};
}

Barycentric weightsFrom(const EdgeDots& d) {
    const double den = d.d11 * d.d00 - d.d01 * d.d01;
    const double u = (d.d00 * d.d21 - d.d20 * d.d01) / den;
    const double v = (d.d11 * d.d20 - d.d21 * d.d01) / den;
    return Barycentric(u, v, 1.0 - u - v);
}

}  // namespace

Barycentric::Barycentric(const Vec2& a, const Vec2& b, const Vec2& c, const Vec2& p)
    : Barycentric(weightsFrom(edgeDots(a, b, c, p))) {}

Barycentric::Barycentric(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& p)
    : Barycentric(weightsFrom(edgeDots(a, b, c, p))) {}

Barycentric::Barycentric(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& p)
    : Barycentric(weightsFrom(edgeDots(a, b, c, p))) {}

Barycentric::Barycentric(const Color& a, const Color& b, const Color& c, const Color& p)
    : Barycentric(weightsFrom(edgeDots(a, b, c, p))) {}

bool Barycentric::isInside() const {
    return u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0 && w >= 0.0;
}

Vec2 Barycentric::interpolate(const Vec2& a, const Vec2& b, const Vec2& c) const {
    return (a * u + b * v) + c * w;
}

Vec3 Barycentric::interpolate(const Vec3& a, const Vec3& b, const Vec3& c) const {
    return (a * u + b * v) + c * w;
}

Vec4 Barycentric::interpolate(const Vec4& a, const Vec4& b, const Vec4& c) const {
    return (a * u + b * v) + c * w;
}

Color Barycentric::interpolate(const Color& a, const Color& b, const Color& c) const {
    return (a * u + b * v) + c * w;
}

}  // namespace Corvane::Tessory
