// Barycentric weights of a point in a triangle, and interpolation with them.
#pragma once

#include "Math/Color.h"
#include "Math/Vec2.h"
#include "Math/Vec3.h"
#include "Math/Vec4.h"

namespace Corvane::Tessory {

/// u, v, w weigh the first, second and third vertex. Weights computed from a point add up
/// to 1; a point off the triangle's plane gets the weights of its projection onto it.
/// A degenerate triangle is not guarded against and gives non-finite weights.
class Barycentric {
  public:
    double u;
    double v;
    double w;

    Barycentric(double u, double v, double w) : u(u), v(v), w(w) {}
    Barycentric(const Vec2& a, const Vec2& b, const Vec2& c, const Vec2& p);
    Barycentric(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& p);
    Barycentric(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& p);
    /// Colours as points in four dimensions (red, green, blue, alpha).
    Barycentric(const Color& a, const Color& b, const Color& c, const Color& p);
    Barycentric(const Barycentric& o) = default;
    Barycentric& operator=(const Barycentric& o) = default;

    /// All weights within 0..1 (w only checked against 0); NaN is never inside.
    bool isInside() const;

    Vec2 interpolate(const Vec2& a, const Vec2& b, const Vec2& c) const;
    Vec3 interpolate(const Vec3& a, const Vec3& b, const Vec3& c) const;
    Vec4 interpolate(const Vec4& a, const Vec4& b, const Vec4& c) const;
    Color interpolate(const Color& a, const Color& b, const Color& c) const;
};

}  // namespace Corvane::Tessory
