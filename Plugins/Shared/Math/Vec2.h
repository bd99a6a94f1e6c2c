// Plane vector and point: pixel positions, sizes, offsets and scale pairs.
#pragma once

namespace Corvane::Tessory {

/// Degrees to radians. Deliberately the 15-digit value, a hair below pi/180: every degree-based
/// rotation in the plane uses it, so transforms built on different paths agree bit for bit.
inline constexpr double kDegToRad = 0.017453292519943;
/// Radians to degrees.
inline constexpr double kRadToDeg = 57.29577951308232;

/// Two doubles. Angles are degrees, counter-clockwise for a positive angle in a y-up frame.
/// No operation guards its inputs: IEEE infinities and NaN pass through.
class Vec2 {
  public:
    double x;
    double y;

    Vec2() : x(0.0), y(0.0) {}
    Vec2(double x, double y) : x(x), y(y) {}
    Vec2(const Vec2& o) = default;
    Vec2& operator=(const Vec2& o) = default;

    void set(double nx, double ny);
    void set(const Vec2& o);
    void setZero();
    /// Reads (a[i], a[i+1]); a null array leaves the vector as it is.
    void fromArray(const double* a, int i);

    void add(const Vec2& o);
    void add(double s);
    void sub(const Vec2& o);
    void sub(double s);
    void mult(const Vec2& o);
    void mult(double s);
    void divide(const Vec2& o);
    void divide(double s);

    Vec2& operator+=(const Vec2& o);
    Vec2& operator+=(double s);
    Vec2& operator-=(const Vec2& o);
    Vec2& operator-=(double s);
    Vec2& operator*=(const Vec2& o);
    Vec2& operator*=(double s);
    Vec2& operator/=(const Vec2& o);
    Vec2& operator/=(double s);

    Vec2 operator+(const Vec2& o) const;
    Vec2 operator+(double s) const;
    Vec2 operator-(const Vec2& o) const;
    Vec2 operator-(double s) const;
    Vec2 operator*(const Vec2& o) const;
    Vec2 operator*(double s) const;
    Vec2 operator/(const Vec2& o) const;
    Vec2 operator/(double s) const;

    /// Componentwise fmod.
    Vec2 modulo(const Vec2& o) const;
    Vec2 operator%(const Vec2& o) const;
    Vec2 negate() const;

    /// Per-component absolute difference of at most 1e-12.
    bool operator==(const Vec2& o) const;
    bool operator!=(const Vec2& o) const;
    bool equal(const Vec2& o, double tol) const;
    /// Exactly zero, no tolerance: the guard of normalize and friends.
    bool isZero() const;
    /// Cross product small relative to the product of the lengths.
    bool isCollinear(const Vec2& o) const;
    /// Dot product small relative to the product of the lengths.
    bool isOrthogonal(const Vec2& o) const;

    void rotate(double deg);
    void rotateAround(double deg, const Vec2& c);
    /// As rotateAround, leaving this vector unchanged.
    Vec2 rotateRound(double deg, const Vec2& c) const;

    double dot(const Vec2& o) const;
    double dotProduction(const Vec2& o) const;
    double cross(const Vec2& o) const;
    /// Projection onto o; projecting onto an exact zero vector gives zero instead of NaN.
    Vec2 project(const Vec2& o) const;
    /// Distance to the infinite line through a and b (a == b gives NaN).
    double distanceToLine(const Vec2& a, const Vec2& b) const;
    /// Distance from a to the foot of this point on the line through a and b.
    double lineProjectionLength(const Vec2& a, const Vec2& b) const;
    double distance(const Vec2& o) const;
    double length() const;
    double lengthSquare() const;
    /// An exact zero vector has no direction and takes the x axis: (L, 0).
    void setLength(double len);
    /// An exact zero vector becomes (1, 0).
    void normalize();
    Vec2 normal() const;
    Vec2 perpindicularLeft() const;
    Vec2 perpindicularRight() const;
    /// Turns this vector a quarter to the left in place.
    void prepen();
    /// Direction in degrees; 0 for the zero vector.
    double getAngle() const;
    void setAngle(double deg);
    /// Signed angle in degrees from this vector to o.
    double angleBetween(const Vec2& o) const;
    /// 1..4 counter-clockwise from +x; zero components count as positive.
    int getQuadrant() const;
    void getMin(const Vec2& o);
    void getMax(const Vec2& o);
    void clamp(const Vec2& lo, const Vec2& hi);
    double slope() const;
    /// Flips each component whose positiveness differs from o's.
    void followSigns(const Vec2& o);
    /// Strictly inside +-1e-12 in both axes.
    bool negligible() const;
    bool nonNegligible() const;

    static double cross(double x1, double y1, double x2, double y2);
    /// Normalises a pair in place, leaving pairs of length 1e-12 or less alone.
    static void normalize(double* px, double* py);
    static bool negligible(double v);
    /// Squared distance strictly below tol squared.
    static bool equalWithTolerance(double x1, double y1, double x2, double y2, double tol);
    static bool equalWithTolerance(const Vec2& a, const Vec2& b, double tol);
    /// Points closer than a quarter pixel in both axes.
    static bool isDuplicate(const Vec2& a, const Vec2& b);
    static Vec2 lerp(const Vec2& a, const Vec2& b, double t);
    static double distanceSquared(const Vec2& a, const Vec2& b);
    /// Twice the signed area of a, b, c; positive when counter-clockwise.
    static double signedArea(const Vec2& a, const Vec2& b, const Vec2& c);
    /// c and d on different sides of the line through a and b; the segment c-d is not tested.
    static bool intersecting(const Vec2& a, const Vec2& b, const Vec2& c, const Vec2& d);
    static bool oppositeQuadrant(const Vec2& a, const Vec2& b);
    /// Centre-origin y-up point to top-left-origin y-down point in a frame of the given size.
    static Vec2 centerToTopLefetPoint(const Vec2& p, const Vec2& size);
    /// Inverse of centerToTopLefetPoint.
    static Vec2 topLeftToCenterPoint(const Vec2& p, const Vec2& size);
    /// Whether v points from b toward a; v is not changed.
    static bool anchorOutwardD(Vec2& v, const Vec2& a, const Vec2& b);
    /// Negates v (and answers true) when its side relative to a - b matches inward.
    static bool anchorOutward(Vec2& v, const Vec2& a, const Vec2& b, bool inward);
    static bool anchorInward(Vec2& v, const Vec2& a, const Vec2& b);

    /// Results of intersect.
    static constexpr int kParallel = 0;
    static constexpr int kCrossing = 1;
    static constexpr int kCoincident = 2;
    static constexpr int kOutsideFirst = 3;
    static constexpr int kOutsideSecond = 4;
    static constexpr int kOutsideBoth = 5;

    /// Intersects line p1-p2 with line p3-p4. out is the intersection point (the midpoint of
    /// p1 and p2 for coincident lines, zero for parallel ones); t and u, where not null, take
    /// the parameters along each segment. Answers one of the constants above.
    static int intersect(const Vec2& p1, const Vec2& p2, const Vec2& p3, const Vec2& p4, Vec2& out,
                         double* t, double* u);
};

}  // namespace Corvane::Tessory
