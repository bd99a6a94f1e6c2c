#include "Math/Euler.h"

#include <cmath>

#include "Math/Mat4.h"
#include "Math/Quaternion.h"

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;
// Gimbal-lock threshold on the raw matrix element, a single-precision 0.999999.
constexpr double kLock = static_cast<double>(0.999999f);

double clampUnit(double v) {
    return v < -1.0 ? -1.0 : (1.0 < v ? 1.0 : v);
}

// NaN fails this test and so takes the degenerate branch.
bool regular(double element) {
    return std::abs(element) < kLock;
}

}  // namespace

void Euler::set(double nx, double ny, double nz, RotationOrder newOrder) {
    x = nx;
    y = ny;
    z = nz;
    if (static_cast<int32_t>(newOrder) != 0) {
        order = newOrder;
    }
}

void Euler::setWithMat4(const Mat4& mat, RotationOrder newOrder) {
    if (static_cast<int32_t>(newOrder) != 0) {
        order = newOrder;
    }
    const double* m = mat.m;
    switch (order) {
        case XYZ:
            y = std::asin(clampUnit(m[8]));
            if (regular(m[8])) {
                x = std::atan2(-m[9], m[10]);
                z = std::atan2(-m[4], m[0]);
            } else {
                x = std::atan2(m[6], m[5]);
                z = 0.0;
            }
            break;
        case YZX:
            z = std::asin(clampUnit(m[1]));
            if (regular(m[1])) {
                x = std::atan2(-m[9], m[5]);
                y = std::atan2(-m[2], m[0]);
            } else {
                x = 0.0;
                y = std::atan2(m[8], m[10]);
            }
            break;
        case ZXY:
            x = std::asin(clampUnit(m[6]));
            if (regular(m[6])) {
                y = std::atan2(-m[2], m[10]);
                z = std::atan2(-m[4], m[5]);
            } else {
                y = 0.0;
                z = std::atan2(m[1], m[0]);
            }
            break;
        case XZY:
            z = std::asin(-clampUnit(m[4]));
            if (regular(m[4])) {
                x = std::atan2(m[6], m[5]);
                y = std::atan2(m[8], m[0]);
            } else {
                x = std::atan2(-m[9], m[10]);
                y = 0.0;
            }
            break;
        case YXZ:
            x = std::asin(-clampUnit(m[9]));
            if (regular(m[9])) {
                y = std::atan2(m[8], m[10]);
                z = std::atan2(m[1], m[5]);
            } else {
                y = std::atan2(-m[2], m[0]);
                z = 0.0;
            }
            break;
        case ZYX:
            y = std::asin(-clampUnit(m[2]));
            if (regular(m[2])) {
                x = std::atan2(m[6], m[10]);
                z = std::atan2(m[1], m[0]);
            } else {
                x = 0.0;
                z = std::atan2(-m[4], m[5]);
            }
            break;
        default:
            break;
    }
}

void Euler::setWithQuaternion(const Quaternion& q, RotationOrder newOrder) {
    Mat4 m(true);
    m.setWithQuaternion(q);
    setWithMat4(m, newOrder);
}

bool Euler::operator==(const Euler& o) const {
    return std::abs(o.x - x) <= kEpsilon && std::abs(o.y - y) <= kEpsilon &&
           std::abs(o.z - z) <= kEpsilon && order == o.order;
}

}  // namespace Corvane::Tessory
