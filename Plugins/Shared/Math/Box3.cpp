#include "Math/Box3.h"

#include <limits>

namespace Corvane::Tessory {

namespace {

constexpr double kHighest = std::numeric_limits<double>::max();
constexpr double kLowest = std::numeric_limits<double>::lowest();

}  // namespace

Box3::Box3() {
    makeEmpty();
}

Box3::Box3(const Vec3& min, const Vec3& max) : min(min), max(max) {}

void Box3::set(const Vec3& newMin, const Vec3& newMax) {
    min = newMin;
    max = newMax;
}

bool Box3::operator==(const Box3& o) const {
    return min == o.min && max == o.max;
}

void Box3::makeEmpty() {
    min = Vec3(kHighest);
    max = Vec3(kLowest);
}

bool Box3::isEmpty() const {
    if (min.x > max.x || min.y > max.y || min.z > max.z) {
        return true;
    }
    return min.isZero() && max.isZero();
}

void Box3::setFromPoints(const Vec3* points, int count) {
    makeEmpty();
    if (points == nullptr || count == 0) {
        return;
    }
    min = points[0];
    max = points[0];
    for (int i = 1; i < count; ++i) {
        expandByPoint(points[i]);
    }
}

void Box3::setFromArray(const float* array, int count) {
    if (count < 1) {
        makeEmpty();
        return;
    }
    Vec3 lo(kHighest);
    Vec3 hi(kLowest);
    for (int i = 0; i < count; i += 3) {
        const Vec3 p(array[i], array[i + 1], array[i + 2]);
        lo.x = p.x < lo.x ? p.x : lo.x;
        lo.y = p.y < lo.y ? p.y : lo.y;
        lo.z = p.z < lo.z ? p.z : lo.z;
        hi.x = p.x > hi.x ? p.x : hi.x;
        hi.y = p.y > hi.y ? p.y : hi.y;
        hi.z = p.z > hi.z ? p.z : hi.z;
    }
    min = lo;
    max = hi;
}

void Box3::setFromCenterAndSize(const Vec3& center, const Vec3& size) {
    const Vec3 h = size * 0.5;
    min = center - h;
    max = center + h;
}

Vec3 Box3::getCenter() const {
    return (min + max) * 0.5;
}

Vec3 Box3::getSize() const {
    return max - min;
}

void Box3::expandByPoint(const Vec3& p) {
    min.getMin(p);
    max.getMax(p);
}

void Box3::expandByVector(const Vec3& d) {
    min -= d;
    max += d;
}

void Box3::expandByScalar(float s) {
    const double d = static_cast<double>(s);
    min -= d;
    max += d;
}

bool Box3::containsPoint(const Vec3& p) const {
    return min.x <= p.x && p.x <= max.x && min.y <= p.y && p.y <= max.y && min.z <= p.z &&
           p.z <= max.z;
}

bool Box3::containsBox(const Box3& b) const {
    return min.x <= b.min.x && b.max.x <= max.x && min.y <= b.min.y && b.max.y <= max.y &&
           min.z <= b.min.z && b.max.z <= max.z;
}

Vec3 Box3::getParameter(const Vec3& p) const {
    return Vec3((p.x - min.x) / (max.x - min.x), (p.y - min.y) / (max.y - min.y),
                (p.z - min.z) / (max.z - min.z));
}

bool Box3::intersectsBox(const Box3& b) const {
    if (min.x > b.max.x || b.min.x > max.x) {
        return false;
    }
    if (min.y > b.max.y || b.min.y > max.y) {
        return false;
    }
    if (min.z > b.max.z || b.min.z > max.z) {
        return false;
    }
    return true;
}

Vec3 Box3::clampPoint(const Vec3& p) const {
    Vec3 r(p);
    r.clamp(min, max);
    return r;
}

double Box3::distanceToPoint(const Vec3& p) const {
    return (clampPoint(p) - p).length();
}

void Box3::intersects(const Box3& b) {
    min.getMax(b.min);
    max.getMin(b.max);
    if (isEmpty()) {
        makeEmpty();
    }
}

void Box3::unionBox(const Box3& b) {
    min.getMin(b.min);
    max.getMax(b.max);
}

void Box3::translate(const Vec3& d) {
    min += d;
    max += d;
}

}  // namespace Corvane::Tessory
