// Axis-aligned box of the space math.
#pragma once

#include "Math/Vec3.h"

namespace Corvane::Tessory {

/// Lower and upper corner, stored without reordering. The empty box has min at the largest
/// finite double and max at the lowest, so that any point folded in replaces both.
class Box3 {
  public:
    Vec3 min;
    Vec3 max;

    Box3();
    Box3(const Vec3& min, const Vec3& max);
    Box3(const Box3& o) = default;
    Box3& operator=(const Box3& o) = default;

    void set(const Vec3& newMin, const Vec3& newMax);
    /// Corners compared as Vec3 (1e-12 per component).
    bool operator==(const Box3& o) const;
    bool operator!=(const Box3& o) const { return !(*this == o); }

    void makeEmpty();
    /// Inverted in some axis, or both corners exactly at the origin (a box never set).
    bool isEmpty() const;
    /// Empty for a null array or a count of 0.
    void setFromPoints(const Vec3* points, int count);
    /// count floats, three per point.
    void setFromArray(const float* array, int count);
    void setFromCenterAndSize(const Vec3& center, const Vec3& size);
    Vec3 getCenter() const;
    Vec3 getSize() const;
    void expandByPoint(const Vec3& p);
    void expandByVector(const Vec3& d);
    void expandByScalar(float s);
    /// Faces included.
    bool containsPoint(const Vec3& p) const;
    bool containsBox(const Box3& b) const;
    /// p in box units: 0 at min, 1 at max per axis.
    Vec3 getParameter(const Vec3& p) const;
    /// Boxes that only touch do intersect.
    bool intersectsBox(const Box3& b) const;
    Vec3 clampPoint(const Vec3& p) const;
    double distanceToPoint(const Vec3& p) const;
    /// Becomes the overlap with b, or the empty box when there is none.
    void intersects(const Box3& b);
    void unionBox(const Box3& b);
    void translate(const Vec3& d);
};

}  // namespace Corvane::Tessory
