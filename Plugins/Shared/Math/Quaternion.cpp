#include "Math/Quaternion.h"

#include <cmath>

#include "Math/Euler.h"
#include "Math/Mat4.h"

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;
// Below this sine of the half angle slerp falls back to the midpoint.
constexpr double kSlerpLinear = 0.001;

}  // namespace

Quaternion::Quaternion(const Vec3& axis, double angle) {
    const double s = std::sin(angle / 2.0);
    x = axis.x * s;
    y = axis.y * s;
    z = axis.z * s;
    w = std::cos(angle / 2.0);
}

Quaternion::Quaternion(const Vec3& from, const Vec3& to) {
    setWithDirection(from, to);
}

void Quaternion::set(double nx, double ny, double nz) {
    x = nx;
    y = ny;
    z = nz;
}

void Quaternion::set(double nx, double ny, double nz, double nw) {
    x = nx;
    y = ny;
    z = nz;
    w = nw;
}

void Quaternion::set(const Vec3& axis, double angle) {
    Vec3 unit(axis);
    unit.normalize();
    *this = Quaternion(unit, angle);
}

void Quaternion::setWithArray(const double* array, int offset) {
    set(array[offset], array[offset + 1], array[offset + 2], array[offset + 3]);
}

void Quaternion::toArray(double* array, int offset) const {
    array[offset] = x;
    array[offset + 1] = y;
    array[offset + 2] = z;
    array[offset + 3] = w;
}

void Quaternion::setWithDirection(const Vec3& from, const Vec3& to) {
    double r = from.dot(to) + 1.0;
    Vec3 v;
    if (r < kEpsilon) {
        r = 0.0;
        if (std::abs(from.x) > std::abs(from.z)) {
            v.set(-from.y, from.x, 0.0);
        } else {
            v.set(0.0, -from.z, from.y);
        }
    } else {
        v = from.cross(to);
    }
    set(v.x, v.y, v.z, r);
    normalize();
}

void Quaternion::setWithMat4(const Mat4& mat) {
    const double* m = mat.m;
    const double trace = m[0] + m[5] + m[10];
    if (trace > 0.0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        w = 0.25 / s;
        x = (m[6] - m[9]) * s;
        y = (m[8] - m[2]) * s;
        z = (m[1] - m[4]) * s;
    } else if (m[0] > m[5] && m[0] > m[10]) {
        const double s = 2.0 * std::sqrt(m[0] + 1.0 - m[5] - m[10]);
        w = (m[6] - m[9]) / s;
        x = 0.25 * s;
        y = (m[4] + m[1]) / s;
        z = (m[2] + m[8]) / s;
    } else if (m[5] > m[10]) {
        const double s = 2.0 * std::sqrt(m[5] + 1.0 - m[0] - m[10]);
        w = (m[8] - m[2]) / s;
        x = (m[4] + m[1]) / s;
        y = 0.25 * s;
        z = (m[9] + m[6]) / s;
    } else {
        const double s = 2.0 * std::sqrt(m[10] + 1.0 - m[0] - m[5]);
        w = (m[1] - m[4]) / s;
        x = (m[8] + m[2]) / s;
        y = (m[9] + m[6]) / s;
        z = 0.25 * s;
    }
}

void Quaternion::setWithEuler(const Euler& e) {
    const int order = static_cast<int>(e.order);
    if (order == 0) {
        set(0.0, 0.0, 0.0, 0.0);
        return;
    }
    if (order < 1 || order > 6) {
        return;
    }
    const float s1 = static_cast<float>(std::sin(e.x * 0.5));
    const float c1 = static_cast<float>(std::cos(e.x * 0.5));
    const float s2 = static_cast<float>(std::sin(e.y * 0.5));
    const float c2 = static_cast<float>(std::cos(e.y * 0.5));
    const float s3 = static_cast<float>(std::sin(e.z * 0.5));
    const float c3 = static_cast<float>(std::cos(e.z * 0.5));

    const float t1 = s1 * c2 * c3;
    const float t2 = c1 * s2 * s3;
    const float t3 = c1 * s2 * c3;
    const float t4 = s1 * c2 * s3;
    const float t5 = c1 * c2 * s3;
    const float t6 = s1 * s2 * c3;
    const float t7 = c1 * c2 * c3;
    const float t8 = s1 * s2 * s3;

    // Sign of the second term of x, y, z, w for each order.
    static constexpr float kSigns[6][4] = {
        {1, -1, 1, -1},  // XYZ
        {1, 1, -1, -1},  // YZX
        {-1, 1, 1, -1},  // ZXY
        {-1, -1, 1, 1},  // XZY
        {1, -1, -1, 1},  // YXZ
        {-1, 1, -1, 1},  // ZYX
    };
    const float* sign = kSigns[order - 1];
    // Adding or subtracting rather than multiplying by the sign keeps -0 terms as they are.
    auto combine = [](float a, float b, float s) { return s > 0.0f ? a + b : a - b; };
    x = static_cast<double>(combine(t1, t2, sign[0]));
    y = static_cast<double>(combine(t3, t4, sign[1]));
    z = static_cast<double>(combine(t5, t6, sign[2]));
    w = static_cast<double>(combine(t7, t8, sign[3]));
}

bool Quaternion::operator==(const Quaternion& o) const {
    return x == o.x && y == o.y && z == o.z && w == o.w;
}

bool Quaternion::operator!=(const Quaternion& o) const {
    return !(*this == o);
}

double Quaternion::dot(const Quaternion& o) const {
    return x * o.x + y * o.y + z * o.z + w * o.w;
}

double Quaternion::lengthSq() const {
    return x * x + y * y + z * z + w * w;
}

double Quaternion::length() const {
    return std::sqrt(lengthSq());
}

void Quaternion::normalize() {
    const double l = length();
    if (l == 0.0) {
        set(0.0, 0.0, 0.0, 1.0);
        return;
    }
    const double r = 1.0 / l;
    set(x * r, y * r, z * r, w * r);
}

void Quaternion::conjugate() {
    set(-x, -y, -z, w);
}

void Quaternion::setInverse() {
    conjugate();
    normalize();
}

double Quaternion::getRotationAngle() const {
    return 2.0 * std::acos(w) * kRadToDeg;
}

Vec3 Quaternion::getRotationAxis() const {
    const double s = 1.0 - w * w;
    if (s < kEpsilon) {
        return Vec3(0.0, 0.0, 1.0);
    }
    return Vec3(x, y, z) * (1.0 / std::sqrt(s));
}

void Quaternion::multiplyQuaternions(const Quaternion& a, const Quaternion& b) {
    const double nx = a.x * b.w + a.w * b.x + a.y * b.z - a.z * b.y;
    const double ny = a.y * b.w + a.w * b.y + a.z * b.x - a.x * b.z;
    const double nz = a.z * b.w + a.w * b.z + a.x * b.y - a.y * b.x;
    const double nw = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    set(nx, ny, nz, nw);
}

void Quaternion::multiply(const Quaternion& q) {
    multiplyQuaternions(*this, q);
}

void Quaternion::premultiply(const Quaternion& q) {
    multiplyQuaternions(q, *this);
}

Vec3 Quaternion::quaternionMulVec3(const Quaternion& q, const Vec3& v) {
    const Vec3 u(q.x, q.y, q.z);
    const Vec3 t = u.cross(v);
    return v + (t * q.w + u.cross(t)) * 2.0;
}

void Quaternion::slerp(const Quaternion& qb, double t) {
    if (t == 1.0) {
        *this = qb;
        return;
    }
    if (t == 0.0) {
        return;
    }
    const Quaternion old(*this);
    double cosHalf = old.x * qb.x + old.w * qb.w + old.y * qb.y + old.z * qb.z;
    if (cosHalf < 0.0) {
        set(-qb.x, -qb.y, -qb.z, -qb.w);
        cosHalf = -cosHalf;
    } else {
        *this = qb;
    }
    if (cosHalf >= 1.0) {
        *this = old;
        return;
    }
    const double sinHalf = std::sqrt(1.0 - cosHalf * cosHalf);
    if (std::abs(sinHalf) < kSlerpLinear) {
        set((old.x + x) * 0.5, (old.y + y) * 0.5, (old.z + z) * 0.5, (old.w + w) * 0.5);
        return;
    }
    const double half = std::atan2(sinHalf, cosHalf);
    const double ra = std::sin((1.0 - t) * half) / sinHalf;
    const double rb = std::sin(t * half) / sinHalf;
    set(old.x * ra + x * rb, old.y * ra + y * rb, old.z * ra + z * rb, old.w * ra + w * rb);
}

Quaternion Quaternion::lerp(const Quaternion& a, const Quaternion& b, double t) {
    if (a == b) {
        return a;
    }
    Quaternion r(a);
    r.slerp(b, t);
    return r;
}

}  // namespace Corvane::Tessory
