#include "Math/Vec2.h"

#include <cmath>

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;
constexpr double kDuplicateDistance = 0.25;

bool strictlyTiny(double v) {
    return -kEpsilon < v && v < kEpsilon;
}

int signOf(double v) {
    return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0);
}

}  // namespace

void Vec2::set(double nx, double ny) {
    x = nx;
    y = ny;
}

void Vec2::set(const Vec2& o) {
    x = o.x;
    y = o.y;
}

void Vec2::setZero() {
    x = 0.0;
    y = 0.0;
}

void Vec2::fromArray(const double* a, int i) {
    if (a == nullptr) {
        return;
    }
    x = a[i];
    y = a[i + 1];
}

void Vec2::add(const Vec2& o) {
    x += o.x;
    y += o.y;
}
void Vec2::add(double s) {
    x += s;
    y += s;
}
void Vec2::sub(const Vec2& o) {
    x -= o.x;
    y -= o.y;
}
void Vec2::sub(double s) {
    x -= s;
    y -= s;
}
void Vec2::mult(const Vec2& o) {
    x *= o.x;
    y *= o.y;
}
void Vec2::mult(double s) {
    x *= s;
    y *= s;
}
void Vec2::divide(const Vec2& o) {
    x /= o.x;
    y /= o.y;
}
void Vec2::divide(double s) {
    x /= s;
    y /= s;
}

Vec2& Vec2::operator+=(const Vec2& o) {
    add(o);
    return *this;
}
Vec2& Vec2::operator+=(double s) {
    add(s);
    return *this;
}
Vec2& Vec2::operator-=(const Vec2& o) {
    sub(o);
    return *this;
}
Vec2& Vec2::operator-=(double s) {
    sub(s);
    return *this;
}
Vec2& Vec2::operator*=(const Vec2& o) {
    mult(o);
    return *this;
}
Vec2& Vec2::operator*=(double s) {
    mult(s);
    return *this;
}
Vec2& Vec2::operator/=(const Vec2& o) {
    divide(o);
    return *this;
}
Vec2& Vec2::operator/=(double s) {
    divide(s);
    return *this;
}

Vec2 Vec2::operator+(const Vec2& o) const {
    return Vec2(x + o.x, y + o.y);
}
Vec2 Vec2::operator+(double s) const {
    return Vec2(x + s, y + s);
}
Vec2 Vec2::operator-(const Vec2& o) const {
    return Vec2(x - o.x, y - o.y);
}
Vec2 Vec2::operator-(double s) const {
    return Vec2(x - s, y - s);
}
Vec2 Vec2::operator*(const Vec2& o) const {
    return Vec2(x * o.x, y * o.y);
}
Vec2 Vec2::operator*(double s) const {
    return Vec2(x * s, y * s);
}
Vec2 Vec2::operator/(const Vec2& o) const {
    return Vec2(x / o.x, y / o.y);
}
Vec2 Vec2::operator/(double s) const {
    return Vec2(x / s, y / s);
}

Vec2 Vec2::modulo(const Vec2& o) const {
    return Vec2(std::fmod(x, o.x), std::fmod(y, o.y));
}
Vec2 Vec2::operator%(const Vec2& o) const {
    return modulo(o);
}
Vec2 Vec2::negate() const {
    return Vec2(-x, -y);
}

bool Vec2::operator==(const Vec2& o) const {
    return equal(o, kEpsilon);
}
bool Vec2::operator!=(const Vec2& o) const {
    return !(*this == o);
}

bool Vec2::equal(const Vec2& o, double tol) const {
    return std::abs(o.x - x) <= tol && std::abs(o.y - y) <= tol;
}

bool Vec2::isZero() const {
    return x == 0.0 && y == 0.0;
}

bool Vec2::isCollinear(const Vec2& o) const {
    return std::abs(x * o.y - y * o.x) <=
           kEpsilon * std::sqrt((x * x + y * y) * (o.x * o.x + o.y * o.y));
}

bool Vec2::isOrthogonal(const Vec2& o) const {
    return std::abs(x * o.x + y * o.y) <=
           kEpsilon * std::sqrt((x * x + y * y) * (o.x * o.x + o.y * o.y));
}

void Vec2::rotate(double deg) {
    if (deg == 0.0) {
        return;
    }
    const double a = deg * kDegToRad;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double nx = x * c - y * s;
    const double ny = x * s + y * c;
    x = nx;
    y = ny;
}

void Vec2::rotateAround(double deg, const Vec2& c) {
    if (deg == 0.0) {
        return;
    }
    Vec2 d(x - c.x, y - c.y);
    d.rotate(deg);
    x = c.x + d.x;
    y = c.y + d.y;
}

Vec2 Vec2::rotateRound(double deg, const Vec2& c) const {
    Vec2 r(*this);
    r.rotateAround(deg, c);
    return r;
}

double Vec2::dot(const Vec2& o) const {
    return x * o.x + y * o.y;
}
double Vec2::dotProduction(const Vec2& o) const {
    return dot(o);
}
double Vec2::cross(const Vec2& o) const {
    return x * o.y - y * o.x;
}

Vec2 Vec2::project(const Vec2& o) const {
    if (o.isZero()) {
        return Vec2();
    }
    const double f = (x * o.x + y * o.y) / (o.x * o.x + o.y * o.y);
    return Vec2(o.x * f, o.y * f);
}

namespace {

// Foot of p on the infinite line through a and b.
Vec2 lineFoot(const Vec2& p, const Vec2& a, const Vec2& b) {
    const Vec2 ab = b - a;
    const double t = (p - a).dot(ab) / ab.lengthSquare();
    return a + ab * t;
}

}  // namespace

double Vec2::distanceToLine(const Vec2& a, const Vec2& b) const {
    return (*this - lineFoot(*this, a, b)).length();
}

double Vec2::lineProjectionLength(const Vec2& a, const Vec2& b) const {
    return (a - lineFoot(*this, a, b)).length();
}

double Vec2::distance(const Vec2& o) const {
    const double dx = x - o.x;
    const double dy = y - o.y;
    return std::sqrt(dx * dx + dy * dy);
}

double Vec2::length() const {
    return std::sqrt(x * x + y * y);
}
double Vec2::lengthSquare() const {
    return x * x + y * y;
}

void Vec2::setLength(double len) {
    if (isZero()) {
        x = len;
        y = 0.0;
        return;
    }
    mult(len / length());
}

void Vec2::normalize() {
    if (isZero()) {
        x = 1.0;
        y = 0.0;
        return;
    }
    mult(1.0 / length());
}

Vec2 Vec2::normal() const {
    return Vec2(-y, x);
}
Vec2 Vec2::perpindicularLeft() const {
    return Vec2(-y, x);
}
Vec2 Vec2::perpindicularRight() const {
    return Vec2(y, -x);
}

void Vec2::prepen() {
    const double ox = x;
    x = -y;
    y = ox;
}

double Vec2::getAngle() const {
    if (isZero()) {
        return 0.0;
    }
    return std::atan2(y, x) * kRadToDeg;
}

void Vec2::setAngle(double deg) {
    const double len = length();
    const double a = deg * kDegToRad;
    x = len * std::cos(a);
    y = len * std::sin(a);
}

double Vec2::angleBetween(const Vec2& o) const {
    return std::atan2(x * o.y - y * o.x, x * o.x + y * o.y) * kRadToDeg;
}

int Vec2::getQuadrant() const {
    if (x >= 0.0) {
        return y >= 0.0 ? 1 : 4;
    }
    return y >= 0.0 ? 2 : 3;
}

void Vec2::getMin(const Vec2& o) {
    x = o.x < x ? o.x : x;
    y = o.y < y ? o.y : y;
}

void Vec2::getMax(const Vec2& o) {
    x = x > o.x ? x : o.x;
    y = y > o.y ? y : o.y;
}

void Vec2::clamp(const Vec2& lo, const Vec2& hi) {
    x = x < lo.x ? lo.x : (hi.x < x ? hi.x : x);
    y = y < lo.y ? lo.y : (hi.y < y ? hi.y : y);
}

double Vec2::slope() const {
    return y / x;
}

void Vec2::followSigns(const Vec2& o) {
    if ((x > 0.0) != (o.x > 0.0)) {
        x = -x;
    }
    if ((y > 0.0) != (o.y > 0.0)) {
        y = -y;
    }
}

bool Vec2::negligible() const {
    return strictlyTiny(x) && strictlyTiny(y);
}
bool Vec2::nonNegligible() const {
    return !negligible();
}

double Vec2::cross(double x1, double y1, double x2, double y2) {
    return x1 * y2 - y1 * x2;
}

void Vec2::normalize(double* px, double* py) {
    const double len = std::sqrt(*px * *px + *py * *py);
    if (len > kEpsilon) {
        const double inv = 1.0 / len;
        *px *= inv;
        *py *= inv;
    }
}

bool Vec2::negligible(double v) {
    return strictlyTiny(v);
}

bool Vec2::equalWithTolerance(double x1, double y1, double x2, double y2, double tol) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    return dx * dx + dy * dy < tol * tol;
}

bool Vec2::equalWithTolerance(const Vec2& a, const Vec2& b, double tol) {
    return equalWithTolerance(a.x, a.y, b.x, b.y, tol);
}

bool Vec2::isDuplicate(const Vec2& a, const Vec2& b) {
    return std::abs(b.x - a.x) < kDuplicateDistance && std::abs(b.y - a.y) < kDuplicateDistance;
}

Vec2 Vec2::lerp(const Vec2& a, const Vec2& b, double t) {
    return a * (1.0 - t) + b * t;
}

double Vec2::distanceSquared(const Vec2& a, const Vec2& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

double Vec2::signedArea(const Vec2& a, const Vec2& b, const Vec2& c) {
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

bool Vec2::intersecting(const Vec2& a, const Vec2& b, const Vec2& c, const Vec2& d) {
    const Vec2 ab = b - a;
    const double s1 = ab.cross(c - a);
    const double s2 = ab.cross(d - a);
    return (s1 > 0.0) != (s2 > 0.0);
}

bool Vec2::oppositeQuadrant(const Vec2& a, const Vec2& b) {
    const int ax = signOf(a.x);
    const int ay = signOf(a.y);
    const int bx = signOf(b.x);
    const int by = signOf(b.y);
    if (ax != bx && (ay != by || ay == 0)) {
        return true;
    }
    if (ay == by) {
        return false;
    }
    return ax == 0;
}

Vec2 Vec2::centerToTopLefetPoint(const Vec2& p, const Vec2& size) {
    return Vec2(p.x + size.x / 2.0, size.y / 2.0 - p.y);
}

Vec2 Vec2::topLeftToCenterPoint(const Vec2& p, const Vec2& size) {
    return Vec2(p.x - size.x / 2.0, size.y / 2.0 - p.y);
}

bool Vec2::anchorOutwardD(Vec2& v, const Vec2& a, const Vec2& b) {
    return (a - b).dot(v) > 0.0;
}

bool Vec2::anchorOutward(Vec2& v, const Vec2& a, const Vec2& b, bool inward) {
    const bool outward = (a - b).dot(v) > 0.0;
    if (outward != inward) {
        return false;
    }
    v = v.negate();
    return true;
}

bool Vec2::anchorInward(Vec2& v, const Vec2& a, const Vec2& b) {
    return anchorOutward(v, a, b, true);
}

int Vec2::intersect(const Vec2& p1, const Vec2& p2, const Vec2& p3, const Vec2& p4, Vec2& out,
                    double* t, double* u) {
    const double d = (p2.x - p1.x) * (p4.y - p3.y) - (p2.y - p1.y) * (p4.x - p3.x);
    const double na = (p1.y - p3.y) * (p4.x - p3.x) - (p1.x - p3.x) * (p4.y - p3.y);
    const double nb = (p1.y - p3.y) * (p2.x - p1.x) - (p1.x - p3.x) * (p2.y - p1.y);

    if (strictlyTiny(na) && strictlyTiny(nb) && strictlyTiny(d)) {
        out.set((p1.x + p2.x) / 2.0, (p1.y + p2.y) / 2.0);
        return kCoincident;
    }
    if (strictlyTiny(d)) {
        out.setZero();
        return kParallel;
    }

    const double ta = na / d;
    const double tb = nb / d;
    if (t != nullptr) {
        *t = ta;
    }
    if (u != nullptr) {
        *u = tb;
    }
    out.set(p1.x + ta * (p2.x - p1.x), p1.y + ta * (p2.y - p1.y));

    const bool outsideA = ta < 0.0 || ta > 1.0;
    const bool outsideB = tb < 0.0 || tb > 1.0;
    if (outsideA && outsideB) {
        return kOutsideBoth;
    }
    if (outsideA) {
        return kOutsideFirst;
    }
    if (outsideB) {
        return kOutsideSecond;
    }
    return kCrossing;
}

}  // namespace Corvane::Tessory
