#include "Math/Affine.h"

#include <cmath>

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;
constexpr double kSingular = 1e-6;

// a x b.
Affine product(const Affine& a, const Affine& b) {
    Affine r(false);
    r.m00 = a.m00 * b.m00 + a.m01 * b.m10;
    r.m01 = a.m00 * b.m01 + a.m01 * b.m11;
    r.m02 = a.m00 * b.m02 + a.m01 * b.m12 + a.m02;
    r.m10 = a.m10 * b.m00 + a.m11 * b.m10;
    r.m11 = a.m10 * b.m01 + a.m11 * b.m11;
    r.m12 = a.m10 * b.m02 + a.m11 * b.m12 + a.m12;
    return r;
}

Affine rotation(double deg) {
    Affine r;
    r.setRotate(deg);
    return r;
}

Affine skew(double deg, bool alongX) {
    Affine r;
    if (alongX) {
        r.setSkewX(deg);
    } else {
        r.setSkewY(deg);
    }
    return r;
}

}  // namespace

Affine::Affine(bool identity)
    : m00(identity ? 1.0 : 0.0),
      m01(0.0),
      m02(0.0),
      m10(0.0),
      m11(identity ? 1.0 : 0.0),
      m12(0.0) {}

Affine::Affine(double a, double b, double c, double d, double e, double f) {
    set(a, b, c, d, e, f);
}

bool Affine::operator==(const Affine& o) const {
    return std::abs(m00 - o.m00) <= kEpsilon && std::abs(m01 - o.m01) <= kEpsilon &&
           std::abs(m02 - o.m02) <= kEpsilon && std::abs(m10 - o.m10) <= kEpsilon &&
           std::abs(m11 - o.m11) <= kEpsilon && std::abs(m12 - o.m12) <= kEpsilon;
}

void Affine::set(double a, double b, double c, double d, double e, double f) {
    m00 = a;
    m10 = b;
    m01 = c;
    m11 = d;
    m02 = e;
    m12 = f;
}

void Affine::setTranslate(double tx, double ty) {
    set(1.0, 0.0, 0.0, 1.0, tx, ty);
}

void Affine::setScale(double sx, double sy) {
    set(sx, 0.0, 0.0, sy, 0.0, 0.0);
}

void Affine::setRotate(double deg) {
    const double a = deg * kDegToRad;
    const double c = std::cos(a);
    const double s = std::sin(a);
    set(c, s, -s, c, 0.0, 0.0);
}

void Affine::setSkewX(double deg) {
    set(1.0, 0.0, std::tan(deg * kDegToRad), 1.0, 0.0, 0.0);
}

void Affine::setSkewY(double deg) {
    set(1.0, std::tan(deg * kDegToRad), 0.0, 1.0, 0.0, 0.0);
}

void Affine::set(const Vec2& anchor, const Vec2& position, const Vec2& scale, double deg) {
    const double a = deg * kDegToRad;
    const double c = std::cos(a);
    const double s = std::sin(a);
    m00 = scale.x * c;
    m10 = scale.x * s;
    m01 = -(s * scale.y);
    m11 = c * scale.y;
    m02 = position.x;
    m12 = position.y;
    translate(-anchor.x, -anchor.y);
}

void Affine::multiply(const Affine& o) {
    *this = product(o, *this);
}

void Affine::premultiply(const Affine& o) {
    *this = product(*this, o);
}

void Affine::translate(double tx, double ty) {
    // Only the translation column changes; touching the linear part would turn an
    // infinite entry into NaN through 0 * inf.
    m02 = m00 * tx + m01 * ty + m02;
    m12 = m10 * tx + m11 * ty + m12;
}

void Affine::scale(double sx, double sy) {
    m00 *= sx;
    m10 *= sx;
    m01 *= sy;
    m11 *= sy;
}

void Affine::rotate(double deg) {
    premultiply(rotation(deg));
}

void Affine::skewX(double deg) {
    premultiply(skew(deg, true));
}

void Affine::skewY(double deg) {
    premultiply(skew(deg, false));
}

bool Affine::inverse(Affine& out) const {
    const double det = m00 * m11 - m01 * m10;
    if (-kSingular < det && det < kSingular) {
        return false;
    }
    const double r = 1.0 / det;
    Affine inv(false);
    inv.m00 = m11 * r;
    inv.m01 = -(m01 * r);
    inv.m02 = (m01 * m12 - m11 * m02) * r;
    inv.m10 = -(m10 * r);
    inv.m11 = m00 * r;
    inv.m12 = (m10 * m02 - m00 * m12) * r;
    out = inv;
    return true;
}

Affine Affine::getInverse() const {
    Affine out(true);
    inverse(out);
    return out;
}

double Affine::averageScale() const {
    const double mean = (std::sqrt(m00 * m00 + m01 * m01) + std::sqrt(m10 * m10 + m11 * m11)) * 0.5;
    const float scaled = static_cast<float>(mean * 10000.0);
    return static_cast<double>(std::round(scaled) / 10000.0f);
}

void Affine::transform(Vec2& p) const {
    transform(p.x, p.y);
}

Vec2 Affine::getTransform(const Vec2& p) const {
    return Vec2(m00 * p.x + m01 * p.y + m02, m10 * p.x + m11 * p.y + m12);
}

void Affine::transform(double x, double y, double* ox, double* oy) const {
    *ox = m00 * x + m01 * y + m02;
    *oy = m10 * x + m11 * y + m12;
}

void Affine::transform(double& x, double& y) const {
    const double nx = m00 * x + m01 * y + m02;
    const double ny = m10 * x + m11 * y + m12;
    x = nx;
    y = ny;
}

}  // namespace Corvane::Tessory
