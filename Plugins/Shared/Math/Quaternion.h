// Rotation quaternion of the space math.
#pragma once

#include "Math/Vec3.h"

namespace Corvane::Tessory {

class Euler;
class Mat4;

/// (x, y, z) the vector part, w the scalar part; (0, 0, 0, 1) is no rotation. Angles are
/// radians except getRotationAngle, which answers degrees for display. Nothing normalises
/// unless it says so.
class Quaternion {
  public:
    double x;
    double y;
    double z;
    double w;

    Quaternion() : x(0.0), y(0.0), z(0.0), w(1.0) {}
    Quaternion(double x, double y, double z) : x(x), y(y), z(z), w(1.0) {}
    Quaternion(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}
    /// The axis is used as given: a non-unit axis gives a non-unit quaternion.
    Quaternion(const Vec3& axis, double angle);
    Quaternion(const Vec3& from, const Vec3& to);
    Quaternion(const Quaternion& o) = default;
    Quaternion& operator=(const Quaternion& o) = default;

    /// Leaves w as it is.
    void set(double nx, double ny, double nz);
    void set(double nx, double ny, double nz, double nw);
    /// Normalises (a copy of) the axis first, unlike the axis-angle constructor.
    void set(const Vec3& axis, double angle);
    void setWithArray(const double* array, int offset);
    void toArray(double* array, int offset) const;
    /// The shortest rotation taking the unit vector from onto the unit vector to; opposite
    /// vectors turn half way round an axis perpendicular to from.
    void setWithDirection(const Vec3& from, const Vec3& to);
    /// From the rotation part of m, which must be a pure rotation.
    void setWithMat4(const Mat4& m);
    /// Products are formed in single precision. Order 0 gives (0, 0, 0, 0); an unknown
    /// order leaves this quaternion as it is.
    void setWithEuler(const Euler& e);

    /// Exact comparison of all four components.
    bool operator==(const Quaternion& o) const;
    bool operator!=(const Quaternion& o) const;
    double dot(const Quaternion& o) const;
    double lengthSq() const;
    double length() const;
    /// A zero quaternion becomes the identity.
    void normalize();
    void conjugate();
    void setInverse();
    /// Degrees; w is not clamped.
    double getRotationAngle() const;
    /// (0, 0, 1) for (nearly) no rotation, where the axis is undefined.
    Vec3 getRotationAxis() const;
    /// this = a * b; this may be a or b.
    void multiplyQuaternions(const Quaternion& a, const Quaternion& b);
    void multiply(const Quaternion& q);
    void premultiply(const Quaternion& q);
    static Vec3 quaternionMulVec3(const Quaternion& q, const Vec3& v);
    /// Spherical interpolation toward qb the short way; the result is not normalised.
    void slerp(const Quaternion& qb, double t);
    static Quaternion lerp(const Quaternion& a, const Quaternion& b, double t);
};

}  // namespace Corvane::Tessory
