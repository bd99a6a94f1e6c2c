// Four-component vector of the space math.
#pragma once

#include "Math/Vec3.h"

namespace Corvane::Tessory {

/// Four doubles. No operation guards its inputs: IEEE infinities and NaN pass through.
class Vec4 {
  public:
    double x;
    double y;
    double z;
    double w;

    Vec4() : x(0.0), y(0.0), z(0.0), w(0.0) {}
    Vec4(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}
    Vec4(const Vec3& v, double w) : x(v.x), y(v.y), z(v.z), w(w) {}
    Vec4(const Vec4& o) = default;
    Vec4& operator=(const Vec4& o) = default;

    /// Euclidean distance strictly below 1e-12 (unlike Vec3, which tests each component).
    bool operator==(const Vec4& o) const;
    bool operator!=(const Vec4& o) const;
    /// Euclidean distance strictly below tol.
    bool equal(const Vec4& o, double tol) const;
    bool isZero() const;
    void setZero();
    void set(double nx, double ny, double nz, double nw);
    Vec3 getVec3() const;

    void add(const Vec4& o);
    void add(double s);
    void sub(const Vec4& o);
    void sub(double s);
    void mult(const Vec4& o);
    void mult(double s);
    void divide(const Vec4& o);
    void divide(double s);

    Vec4& operator+=(const Vec4& o);
    Vec4& operator+=(double s);
    Vec4& operator-=(const Vec4& o);
    Vec4& operator-=(double s);
    Vec4& operator*=(const Vec4& o);
    Vec4& operator*=(double s);
    Vec4& operator/=(const Vec4& o);
    Vec4& operator/=(double s);

    Vec4 operator+(const Vec4& o) const;
    Vec4 operator+(double s) const;
    Vec4 operator-(const Vec4& o) const;
    Vec4 operator-(double s) const;
    Vec4 operator*(const Vec4& o) const;
    Vec4 operator*(double s) const;
    Vec4 operator/(const Vec4& o) const;
    Vec4 operator/(double s) const;

    Vec4 negate() const;
    Vec4 invert() const;
    double dot(const Vec4& o) const;
    double length() const;
    double lengthSquare() const;
    double distance(const Vec4& o) const;
    double lengthManhattan() const;
    /// An exact zero vector becomes (len, 0, 0, 0).
    void setLength(double len);
    void normalize();

    /// Spherical blend of two directions, returned normalised (except at t exactly 0 or 1,
    /// which return a or b as given). Opposite directions blend toward -b, the short way.
    /// Near-parallel directions blend linearly; otherwise the angle and the weights are
    /// computed in single precision.
    static Vec4 lerp(const Vec4& a, const Vec4& b, double t);
};

}  // namespace Corvane::Tessory
