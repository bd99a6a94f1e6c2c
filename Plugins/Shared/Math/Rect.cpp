#include "Math/Rect.h"

#include <cmath>

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;

double smaller(double a, double b) {
    return b < a ? b : a;
}
double larger(double a, double b) {
    return a < b ? b : a;
}

}  // namespace

Vec2 Rect::getPoint() const {
    return Vec2(mBounds.x, mBounds.y);
}
Vec2 Rect::getTopLeft() const {
    return getPoint();
}

void Rect::setPoint(const Vec2& p) {
    mBounds.x = p.x;
    mBounds.y = p.y;
}

Vec2 Rect::getSize() const {
    return Vec2(mBounds.z, mBounds.w);
}

void Rect::setSize(const Vec2& s) {
    mBounds.z = s.x;
    mBounds.w = s.y;
}

double Rect::getRight() const {
    return mBounds.x + mBounds.z;
}
void Rect::setRight(double right) {
    mBounds.z = right - mBounds.x;
}
double Rect::getBottom() const {
    return mBounds.y + mBounds.w;
}
void Rect::setBottom(float bottom) {
    mBounds.w = static_cast<double>(bottom) - mBounds.y;
}
double Rect::getCenterX() const {
    return mBounds.x + mBounds.z * 0.5;
}
void Rect::setCenterX(double c) {
    mBounds.x = c - mBounds.z * 0.5;
}
double Rect::getCenterY() const {
    return mBounds.y + mBounds.w * 0.5;
}
void Rect::setCenterY(double c) {
    mBounds.y = c - mBounds.w * 0.5;
}
Vec2 Rect::getCenter() const {
    return Vec2(getCenterX(), getCenterY());
}

void Rect::setCenter(const Vec2& c) {
    setCenterX(c.x);
    setCenterY(c.y);
}

Vec2 Rect::getTopRight() const {
    return Vec2(getRight(), mBounds.y);
}
Vec2 Rect::getBottomLeft() const {
    return Vec2(mBounds.x, getBottom());
}
Vec2 Rect::getBottomRight() const {
    return Vec2(getRight(), getBottom());
}
double Rect::getArea() const {
    return mBounds.z * mBounds.w;
}
bool Rect::isEmpty() const {
    return mBounds.z <= 0.0 || mBounds.w <= 0.0;
}

bool Rect::operator==(const Rect& o) const {
    return std::abs(mBounds.x - o.mBounds.x) <= kEpsilon &&
           std::abs(mBounds.y - o.mBounds.y) <= kEpsilon &&
           std::abs(mBounds.z - o.mBounds.z) <= kEpsilon &&
           std::abs(mBounds.w - o.mBounds.w) <= kEpsilon;
}

bool Rect::operator!=(const Rect& o) const {
    return !(*this == o);
}

bool Rect::containsRect(Rect r) const {
    return r.getLeft() >= getLeft() && r.getTop() >= getTop() && getRight() >= r.getRight() &&
           getBottom() >= r.getBottom();
}

bool Rect::containsPoint(const Vec2& p) const {
    return p.x >= getLeft() && p.y >= getTop() && getRight() >= p.x && getBottom() >= p.y;
}

bool Rect::intersects(const Rect& r) const {
    return r.getRight() > getLeft() && r.getBottom() > getTop() && getRight() > r.getLeft() &&
           getBottom() > r.getTop();
}

bool Rect::touches(const Rect& r) const {
    return r.getRight() >= getLeft() && r.getBottom() >= getTop() && getRight() >= r.getLeft() &&
           getBottom() >= r.getTop();
}

Rect Rect::intersect(const Rect& r) const {
    const double left = larger(getLeft(), r.getLeft());
    const double top = larger(getTop(), r.getTop());
    return Rect(left, top, smaller(r.getRight(), getRight()) - left,
                smaller(r.getBottom(), getBottom()) - top);
}

Rect Rect::unite(const Rect& r) const {
    const double left = smaller(r.getLeft(), getLeft());
    const double top = smaller(r.getTop(), getTop());
    return Rect(left, top, larger(getRight(), r.getRight()) - left,
                larger(getBottom(), r.getBottom()) - top);
}

void Rect::include(const Vec2& p) {
    const double left = smaller(p.x, getLeft());
    const double top = smaller(p.y, getTop());
    const double right = larger(getRight(), p.x);
    const double bottom = larger(getBottom(), p.y);
    mBounds.set(left, top, right - left, bottom - top);
}

Rect Rect::getInclude(const Vec2& p) const {
    Rect r(*this);
    r.include(p);
    return r;
}

Rect Rect::expand(const Vec2& d) const {
    return Rect(mBounds.x - d.x, mBounds.y - d.y, mBounds.z + 2.0 * d.x, mBounds.w + 2.0 * d.y);
}

Rect Rect::expand(float margin) const {
    const double m = static_cast<double>(margin);
    return Rect(mBounds.x - m, mBounds.y - m, mBounds.z + 2.0 * m, mBounds.w + 2.0 * m);
}

Rect Rect::scale(float sx, float sy) const {
    const double dx = static_cast<double>(sx) * mBounds.z - mBounds.z;
    const double dy = static_cast<double>(sy) * mBounds.w - mBounds.w;
    return Rect(mBounds.x - dx, mBounds.y - dy, mBounds.z + 2.0 * dx, mBounds.w + 2.0 * dy);
}

}  // namespace Corvane::Tessory
