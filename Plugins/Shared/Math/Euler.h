// Euler angles with a rotation order.
#pragma once

#include <cstdint>

namespace Corvane::Tessory {

class Mat4;
class Quaternion;

/// Angles about x, y and z in radians. The order names the axes as they appear in the
/// matrix product: XYZ is Rx(x) Ry(y) Rz(z).
class Euler {
  public:
    /// 0 means "no order": setters keep the current one, conversions to a quaternion give
    /// (0, 0, 0, 0). Values above 6 are stored but convert nothing.
    enum RotationOrder : int32_t { XYZ = 1, YZX = 2, ZXY = 3, XZY = 4, YXZ = 5, ZYX = 6 };

    double x;
    double y;
    double z;
    RotationOrder order;

    Euler() : x(0.0), y(0.0), z(0.0), order(XYZ) {}
    /// Stores the order as given, 0 included.
    Euler(double x, double y, double z, RotationOrder order) : x(x), y(y), z(z), order(order) {}
    Euler(const Euler& o) = default;
    Euler& operator=(const Euler& o) = default;

    /// An order of 0 keeps the current one.
    void set(double nx, double ny, double nz, RotationOrder newOrder);
    /// Angles of the rotation part of m; order 0 uses the current order. Near gimbal lock
    /// (the middle angle's sine at 0.999999 or beyond) the first or last angle is set to 0.
    void setWithMat4(const Mat4& m, RotationOrder newOrder);
    void setWithQuaternion(const Quaternion& q, RotationOrder newOrder);

    /// Angles within 1e-12 and the same order.
    bool operator==(const Euler& o) const;
    bool operator!=(const Euler& o) const { return !(*this == o); }
};

}  // namespace Corvane::Tessory
