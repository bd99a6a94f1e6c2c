// Axis-aligned rectangle given by its top-left corner and size.
#pragma once

#include "Math/Vec2.h"
#include "Math/Vec4.h"

namespace Corvane::Tessory {

/// Left, top, width, height; y grows downward, so bottom = top + height. A zero or negative
/// size is kept as it is (such a rectangle is empty).
class Rect {
  public:
    Rect() : mBounds(0.0, 0.0, 0.0, 0.0) {}
    Rect(Vec2 point, Vec2 size) : mBounds(point.x, point.y, size.x, size.y) {}
    Rect(double left, double top, double width, double height)
        : mBounds(left, top, width, height) {}
    Rect(const Rect& o) = default;
    Rect& operator=(const Rect& o) = default;

    Vec2 getPoint() const;
    Vec2 getTopLeft() const;
    void setPoint(const Vec2& p);
    Vec2 getSize() const;
    void setSize(const Vec2& s);
    double getLeft() const { return mBounds.x; }
    void setLeft(double left) { mBounds.x = left; }
    double getTop() const { return mBounds.y; }
    void setTop(double top) { mBounds.y = top; }
    double getWidth() const { return mBounds.z; }
    double getHeight() const { return mBounds.w; }
    double getRight() const;
    /// Moves the right edge, keeping the left one.
    void setRight(double right);
    double getBottom() const;
    /// Moves the bottom edge, keeping the top one.
    void setBottom(float bottom);
    double getCenterX() const;
    void setCenterX(double c);
    double getCenterY() const;
    void setCenterY(double c);
    Vec2 getCenter() const;
    /// Moves the rectangle, keeping its size.
    void setCenter(const Vec2& c);
    Vec2 getTopRight() const;
    Vec2 getBottomLeft() const;
    Vec2 getBottomRight() const;
    double getArea() const;
    bool isEmpty() const;

    /// All four values within 1e-12.
    bool operator==(const Rect& o) const;
    bool operator!=(const Rect& o) const;

    /// Shared edges count as contained.
    bool containsRect(Rect r) const;
    /// Points on the edges count as contained.
    bool containsPoint(const Vec2& p) const;
    /// Overlap of positive area: sharing only an edge is not enough.
    bool intersects(const Rect& r) const;
    /// Like intersects, but shared edges and corners count.
    bool touches(const Rect& r) const;
    /// The overlap; its size is zero or negative when there is none (not clamped).
    Rect intersect(const Rect& r) const;
    /// The smallest rectangle holding both.
    Rect unite(const Rect& r) const;
    void include(const Vec2& p);
    Rect getInclude(const Vec2& p) const;
    /// Grown by d on each side.
    Rect expand(const Vec2& d) const;
    Rect expand(float margin) const;
    /// About the centre, growing each side by (factor - 1) times the size: the new width is
    /// W (2 sx - 1), not W sx.
    Rect scale(float sx, float sy) const;

  private:
    Vec4 mBounds;  // left, top, width, height
};

}  // namespace Corvane::Tessory
