#include "Math/Vec3.h"

#include <cmath>

#include "Math/Mat4.h"
#include "Math/Quaternion.h"

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;

}  // namespace

double cyclicDifference(double a, double b, double period) {
    const double d = a - b;
    const double h = 0.5 * period;
    if (d > h) {
        return d - period;
    }
    if (d < -h) {
        return d + period;
    }
    return d;
}

bool Vec3::operator==(const Vec3& o) const {
    return equal(o, kEpsilon);
}
bool Vec3::operator!=(const Vec3& o) const {
    return !(*this == o);
}

bool Vec3::equal(const Vec3& o, double tol) const {
    return std::abs(o.x - x) <= tol && std::abs(o.y - y) <= tol && std::abs(o.z - z) <= tol;
}

bool Vec3::isZero() const {
    return x == 0.0 && y == 0.0 && z == 0.0;
}

int Vec3::largestAbsComponent() const {
    const double ax = std::abs(x);
    const double ay = std::abs(y);
    const double az = std::abs(z);
    if (ax > ay) {
        return ax > az ? 0 : 2;
    }
    return ay > az ? 1 : 2;
}

void Vec3::set(const Vec2& v, double nz) {
    set(v.x, v.y, nz);
}

void Vec3::set(double nx, double ny, double nz) {
    x = nx;
    y = ny;
    z = nz;
}

void Vec3::set(int index, double value) {
    if (index == 0) {
        x = value;
    } else if (index == 1) {
        y = value;
    } else {
        z = value;
    }
}

void Vec3::setZero() {
    set(0.0, 0.0, 0.0);
}

void Vec3::fromArray(const double* array, int offset) {
    set(array[offset], array[offset + 1], array[offset + 2]);
}

void Vec3::toArray(double* array, int offset) const {
    array[offset] = x;
    array[offset + 1] = y;
    array[offset + 2] = z;
}

void Vec3::add(const Vec3& o) {
    set(x + o.x, y + o.y, z + o.z);
}
void Vec3::add(double s) {
    set(x + s, y + s, z + s);
}
void Vec3::sub(const Vec3& o) {
    set(x - o.x, y - o.y, z - o.z);
}
void Vec3::sub(double s) {
    set(x - s, y - s, z - s);
}
void Vec3::mult(const Vec3& o) {
    set(x * o.x, y * o.y, z * o.z);
}
void Vec3::mult(double s) {
    set(x * s, y * s, z * s);
}
void Vec3::divide(const Vec3& o) {
    set(x / o.x, y / o.y, z / o.z);
}
void Vec3::divide(double s) {
    set(x / s, y / s, z / s);
}

Vec3& Vec3::operator+=(const Vec3& o) {
    add(o);
    return *this;
}
Vec3& Vec3::operator+=(double s) {
    add(s);
    return *this;
}
Vec3& Vec3::operator-=(const Vec3& o) {
    sub(o);
    return *this;
}
Vec3& Vec3::operator-=(double s) {
    sub(s);
    return *this;
}
Vec3& Vec3::operator*=(const Vec3& o) {
    mult(o);
    return *this;
}
Vec3& Vec3::operator*=(double s) {
    mult(s);
    return *this;
}
Vec3& Vec3::operator/=(const Vec3& o) {
    divide(o);
    return *this;
}
Vec3& Vec3::operator/=(double s) {
    divide(s);
    return *this;
}

Vec3 Vec3::operator+(const Vec3& o) const {
    return Vec3(x + o.x, y + o.y, z + o.z);
}
Vec3 Vec3::operator+(double s) const {
    return Vec3(x + s, y + s, z + s);
}
Vec3 Vec3::operator-(const Vec3& o) const {
    return Vec3(x - o.x, y - o.y, z - o.z);
}
Vec3 Vec3::operator-(double s) const {
    return Vec3(x - s, y - s, z - s);
}
Vec3 Vec3::operator*(const Vec3& o) const {
    return Vec3(x * o.x, y * o.y, z * o.z);
}
Vec3 Vec3::operator*(double s) const {
    return Vec3(x * s, y * s, z * s);
}
Vec3 Vec3::operator/(const Vec3& o) const {
    return Vec3(x / o.x, y / o.y, z / o.z);
}
Vec3 Vec3::operator/(double s) const {
    return Vec3(x / s, y / s, z / s);
}

double Vec3::dot(const Vec3& o) const {
    return x * o.x + y * o.y + z * o.z;
}

Vec3 Vec3::cross(const Vec3& o) const {
    return Vec3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
}

double Vec3::angleBetween(const Vec3& o) const {
    return std::acos(dot(o) / (length() * o.length()));
}

double Vec3::length() const {
    return std::sqrt(lengthSquare());
}
double Vec3::lengthSquare() const {
    return x * x + y * y + z * z;
}
double Vec3::distance(const Vec3& o) const {
    return std::sqrt(distanceSquare(o));
}

double Vec3::distanceSquare(const Vec3& o) const {
    const double dx = x - o.x;
    const double dy = y - o.y;
    const double dz = z - o.z;
    return dx * dx + dy * dy + dz * dz;
}

void Vec3::setLength(double len) {
    if (isZero()) {
        set(len, 0.0, 0.0);
        return;
    }
    mult(len / length());
}

void Vec3::normalize() {
    setLength(1.0);
}

void Vec3::setNegate() {
    set(-x, -y, -z);
}
Vec3 Vec3::negate() const {
    return Vec3(-x, -y, -z);
}
void Vec3::setInvert() {
    set(1.0 / x, 1.0 / y, 1.0 / z);
}
Vec3 Vec3::invert() const {
    return Vec3(1.0 / x, 1.0 / y, 1.0 / z);
}

void Vec3::ortho(const Vec3& o) {
    const int k = largestAbsComponent();
    const int axis = k == 0 ? 2 : k - 1;
    Vec3 e;
    e.set(axis, 1.0);
    *this = o.cross(e);
    normalize();
}

Vec3 Vec3::rotationalDifference(const Vec3& o) const {
    return Vec3(x - o.x, y - o.y, z - o.z);
}

Vec3 Vec3::lerp(const Vec3& a, const Vec3& b, double t) {
    const double s = 1.0 - t;
    return Vec3(t * b.x + s * a.x, t * b.y + s * a.y, t * b.z + s * a.z);
}

void Vec3::getMin(const Vec3& o) {
    x = o.x < x ? o.x : x;
    y = o.y < y ? o.y : y;
    z = o.z < z ? o.z : z;
}

void Vec3::getMax(const Vec3& o) {
    x = x > o.x ? x : o.x;
    y = y > o.y ? y : o.y;
    z = z > o.z ? z : o.z;
}

void Vec3::clamp(const Vec3& lo, const Vec3& hi) {
    x = x < lo.x ? lo.x : (hi.x < x ? hi.x : x);
    y = y < lo.y ? lo.y : (hi.y < y ? hi.y : y);
    z = z < lo.z ? lo.z : (hi.z < z ? hi.z : z);
}

Vec3 Vec3::floor() const {
    return Vec3(std::floor(x), std::floor(y), std::floor(z));
}

Vec2 Vec3::getVec2() const {
    return Vec2(x, y);
}

void Vec3::setFromMatrixPosition(const Mat4& m) {
    set(m.m[12], m.m[13], m.m[14]);
}

void Vec3::setFromMatrixColumn(const Mat4& m, int i) {
    set(m.m[4 * i], m.m[4 * i + 1], m.m[4 * i + 2]);
}

void Vec3::applyMatrix4(const Mat4& m) {
    const double* e = m.m;
    set(e[0] * x + e[4] * y + e[8] * z + e[12], e[1] * x + e[5] * y + e[9] * z + e[13],
        e[2] * x + e[6] * y + e[10] * z + e[14]);
}

void Vec3::applyProjection(const Mat4& m) {
    const double* e = m.m;
    const double d = 1.0 / (e[3] * x + e[7] * y + e[11] * z + e[15]);
    applyMatrix4(m);
    mult(d);
}

void Vec3::transformDirection(const Mat4& m) {
    const double* e = m.m;
    set(e[0] * x + e[4] * y + e[8] * z, e[1] * x + e[5] * y + e[9] * z,
        e[2] * x + e[6] * y + e[10] * z);
    normalize();
}

void Vec3::applyQuaternion(const Quaternion& q) {
    const double ix = q.w * x + q.y * z - q.z * y;
    const double iy = q.w * y + q.z * x - q.x * z;
    const double iz = q.w * z + q.x * y - q.y * x;
    const double iw = -q.x * x - q.y * y - q.z * z;
    x = ix * q.w + iw * -q.x + iy * -q.z - iz * -q.y;
    y = iy * q.w + iw * -q.y + iz * -q.x - ix * -q.z;
    z = iz * q.w + iw * -q.z + ix * -q.y - iy * -q.x;
}

}  // namespace Corvane::Tessory
