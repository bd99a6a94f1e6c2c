// Three-component vector of the space math, and the cyclic difference of two angles.
#pragma once

#include "Math/Vec2.h"

namespace Corvane::Tessory {

class Mat4;
class Quaternion;

/// a - b brought at most one period toward -period/2 .. period/2 (both ends included): the
/// short way round between two angles that are less than one and a half turns apart.
double cyclicDifference(double a, double b, double period);

/// Three doubles. No operation guards its inputs: IEEE infinities and NaN pass through.
class Vec3 {
  public:
    double x;
    double y;
    double z;

    Vec3() : x(0.0), y(0.0), z(0.0) {}
    explicit Vec3(double s) : x(s), y(s), z(s) {}
    Vec3(const Vec2& v, double z) : x(v.x), y(v.y), z(z) {}
    Vec3(double x, double y, double z) : x(x), y(y), z(z) {}
    Vec3(const Vec3& o) = default;
    Vec3& operator=(const Vec3& o) = default;

    /// Per-component absolute difference of at most 1e-12.
    bool operator==(const Vec3& o) const;
    bool operator!=(const Vec3& o) const;
    bool equal(const Vec3& o, double tol) const;
    /// Exactly zero, no tolerance.
    bool isZero() const;
    /// Index of the largest absolute component; ties go to the later index.
    int largestAbsComponent() const;

    void set(const Vec2& v, double nz);
    void set(double nx, double ny, double nz);
    /// 0 sets x, 1 sets y, anything else sets z.
    void set(int index, double value);
    void setZero();
    void fromArray(const double* array, int offset);
    void toArray(double* array, int offset) const;

    void add(const Vec3& o);
    void add(double s);
    void sub(const Vec3& o);
    void sub(double s);
    void mult(const Vec3& o);
    void mult(double s);
    void divide(const Vec3& o);
    void divide(double s);

    Vec3& operator+=(const Vec3& o);
    Vec3& operator+=(double s);
    Vec3& operator-=(const Vec3& o);
    Vec3& operator-=(double s);
    Vec3& operator*=(const Vec3& o);
    Vec3& operator*=(double s);
    Vec3& operator/=(const Vec3& o);
    Vec3& operator/=(double s);

    Vec3 operator+(const Vec3& o) const;
    Vec3 operator+(double s) const;
    Vec3 operator-(const Vec3& o) const;
    Vec3 operator-(double s) const;
    Vec3 operator*(const Vec3& o) const;
    Vec3 operator*(double s) const;
    Vec3 operator/(const Vec3& o) const;
    Vec3 operator/(double s) const;

    double dot(const Vec3& o) const;
    /// this x o.
    Vec3 cross(const Vec3& o) const;
    /// Radians; not clamped, so rounding above 1 or a zero vector gives NaN.
    double angleBetween(const Vec3& o) const;
    double length() const;
    double lengthSquare() const;
    double distance(const Vec3& o) const;
    double distanceSquare(const Vec3& o) const;
    /// An exact zero vector has no direction and takes the x axis: (len, 0, 0). Callers such
    /// as the camera and axis rotations rely on never getting NaN from here.
    void setLength(double len);
    void normalize();
    void setNegate();
    Vec3 negate() const;
    void setInvert();
    Vec3 invert() const;
    /// Becomes a unit vector perpendicular to o. The current value only picks the helper
    /// axis (from its largest component) and is then discarded.
    void ortho(const Vec3& o);
    /// Plain componentwise difference; angles are not wrapped (see cyclicDifference).
    Vec3 rotationalDifference(const Vec3& o) const;
    static Vec3 lerp(const Vec3& a, const Vec3& b, double t);
    void getMin(const Vec3& o);
    void getMax(const Vec3& o);
    void clamp(const Vec3& lo, const Vec3& hi);
    Vec3 floor() const;
    Vec2 getVec2() const;

    void setFromMatrixPosition(const Mat4& m);
    void setFromMatrixColumn(const Mat4& m, int i);
    /// M (x, y, z, 1) without the division by w.
    void applyMatrix4(const Mat4& m);
    /// M (x, y, z, 1) divided by its w.
    void applyProjection(const Mat4& m);
    /// The linear part applied, then normalised.
    void transformDirection(const Mat4& m);
    /// Rotation by q; a quaternion of length L also scales by L squared.
    void applyQuaternion(const Quaternion& q);
};

}  // namespace Corvane::Tessory
