#include "Math/Vec4.h"

#include <cmath>

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;

}  // namespace

bool Vec4::operator==(const Vec4& o) const {
    return equal(o, kEpsilon);
}
bool Vec4::operator!=(const Vec4& o) const {
    return !(*this == o);
}

bool Vec4::equal(const Vec4& o, double tol) const {
    const double dx = o.x - x;
    const double dy = o.y - y;
    const double dz = o.z - z;
    const double dw = o.w - w;
    return dx * dx + dy * dy + dz * dz + dw * dw < tol * tol;
}

bool Vec4::isZero() const {
    return x == 0.0 && y == 0.0 && z == 0.0 && w == 0.0;
}

void Vec4::setZero() {
    set(0.0, 0.0, 0.0, 0.0);
}

void Vec4::set(double nx, double ny, double nz, double nw) {
    x = nx;
    y = ny;
    z = nz;
    w = nw;
}

Vec3 Vec4::getVec3() const {
    return Vec3(x, y, z);
}

void Vec4::add(const Vec4& o) {
    set(x + o.x, y + o.y, z + o.z, w + o.w);
}
void Vec4::add(double s) {
    set(x + s, y + s, z + s, w + s);
}
void Vec4::sub(const Vec4& o) {
    set(x - o.x, y - o.y, z - o.z, w - o.w);
}
void Vec4::sub(double s) {
    set(x - s, y - s, z - s, w - s);
}
void Vec4::mult(const Vec4& o) {
    set(x * o.x, y * o.y, z * o.z, w * o.w);
}
void Vec4::mult(double s) {
    set(x * s, y * s, z * s, w * s);
}
void Vec4::divide(const Vec4& o) {
    set(x / o.x, y / o.y, z / o.z, w / o.w);
}
void Vec4::divide(double s) {
    set(x / s, y / s, z / s, w / s);
}

Vec4& Vec4::operator+=(const Vec4& o) {
    add(o);
    return *this;
}
Vec4& Vec4::operator+=(double s) {
    add(s);
    return *this;
}
Vec4& Vec4::operator-=(const Vec4& o) {
    sub(o);
    return *this;
}
Vec4& Vec4::operator-=(double s) {
    sub(s);
    return *this;
}
Vec4& Vec4::operator*=(const Vec4& o) {
    mult(o);
    return *this;
}
Vec4& Vec4::operator*=(double s) {
    mult(s);
    return *this;
}
Vec4& Vec4::operator/=(const Vec4& o) {
    divide(o);
    return *this;
}
Vec4& Vec4::operator/=(double s) {
    divide(s);
    return *this;
}

Vec4 Vec4::operator+(const Vec4& o) const {
    return Vec4(x + o.x, y + o.y, z + o.z, w + o.w);
}
Vec4 Vec4::operator+(double s) const {
    return Vec4(x + s, y + s, z + s, w + s);
}
Vec4 Vec4::operator-(const Vec4& o) const {
    return Vec4(x - o.x, y - o.y, z - o.z, w - o.w);
}
Vec4 Vec4::operator-(double s) const {
    return Vec4(x - s, y - s, z - s, w - s);
}
Vec4 Vec4::operator*(const Vec4& o) const {
    return Vec4(x * o.x, y * o.y, z * o.z, w * o.w);
}
Vec4 Vec4::operator*(double s) const {
    return Vec4(x * s, y * s, z * s, w * s);
}
Vec4 Vec4::operator/(const Vec4& o) const {
    return Vec4(x / o.x, y / o.y, z / o.z, w / o.w);
}
Vec4 Vec4::operator/(double s) const {
    return Vec4(x / s, y / s, z / s, w / s);
}

Vec4 Vec4::negate() const {
    return Vec4(-x, -y, -z, -w);
}
Vec4 Vec4::invert() const {
    return Vec4(1.0 / x, 1.0 / y, 1.0 / z, 1.0 / w);
}
double Vec4::dot(const Vec4& o) const {
    return x * o.x + y * o.y + z * o.z + w * o.w;
}
double Vec4::length() const {
    return std::sqrt(lengthSquare());
}
double Vec4::lengthSquare() const {
    return x * x + y * y + z * z + w * w;
}
double Vec4::distance(const Vec4& o) const {
    return (*this - o).length();
}

double Vec4::lengthManhattan() const {
    return std::abs(x) + std::abs(y) + std::abs(z) + std::abs(w);
}

void Vec4::setLength(double len) {
    if (isZero()) {
        set(len, 0.0, 0.0, 0.0);
        return;
    }
    mult(len / length());
}

void Vec4::normalize() {
    setLength(1.0);
}

Vec4 Vec4::lerp(const Vec4& a, const Vec4& b, double t) {
    if (t == 0.0) {
        return a;
    }
    if (t == 1.0) {
        return b;
    }
    const double c = a.dot(b) / (a.length() * b.length());
    if (c < 0.0) {
        return lerp(a, b.negate(), t);
    }
    double wa;
    double wb;
    if (1.0 - c < static_cast<double>(0.01f)) {
        wa = 1.0 - t;
        wb = t;
    } else {
        const float theta = std::acos(static_cast<float>(c));
        const float r = 1.0f / std::sin(theta);
        const double thetaD = static_cast<double>(theta);
        wa = static_cast<double>(std::sin(static_cast<float>((1.0 - t) * thetaD))) *
             static_cast<double>(r);
        wb = static_cast<double>(std::sin(static_cast<float>(thetaD * t))) * static_cast<double>(r);
    }
    Vec4 result = a * wa + b * wb;
    result.normalize();
    return result;
}

}  // namespace Corvane::Tessory
