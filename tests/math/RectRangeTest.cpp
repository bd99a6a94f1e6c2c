#include <gtest/gtest.h>

#include "Math/Range.h"
#include "Math/Rect.h"

namespace Corvane::Tessory {
namespace {

void expectRect(const Rect& r, double left, double top, double width, double height) {
    EXPECT_EQ(r.getLeft(), left);
    EXPECT_EQ(r.getTop(), top);
    EXPECT_EQ(r.getSize().x, width);
    EXPECT_EQ(r.getSize().y, height);
}

TEST(RectTest, ConstructionAndCorners) {
    expectRect(Rect(), 0, 0, 0, 0);
    const Rect r(Vec2(10, 20), Vec2(30, 40));
    expectRect(r, 10, 20, 30, 40);
    expectRect(Rect(r), 10, 20, 30, 40);
    EXPECT_EQ(r.getRight(), 40.0);
    EXPECT_EQ(r.getBottom(), 60.0);
    EXPECT_EQ(r.getPoint().x, 10.0);
    EXPECT_EQ(r.getTopLeft().y, 20.0);
    EXPECT_EQ(r.getTopRight().x, 40.0);
    EXPECT_EQ(r.getTopRight().y, 20.0);
    EXPECT_EQ(r.getBottomLeft().x, 10.0);
    EXPECT_EQ(r.getBottomLeft().y, 60.0);
    EXPECT_EQ(r.getBottomRight().x, 40.0);
    EXPECT_EQ(r.getBottomRight().y, 60.0);
    EXPECT_EQ(r.getCenter().x, 25.0);
    EXPECT_EQ(r.getCenter().y, 40.0);
    EXPECT_EQ(r.getArea(), 1200.0);
}

TEST(RectTest, EdgeSettersKeepTheOppositeEdge) {
    Rect r(6, 0, 10, 10);
    r.setRight(4);
    EXPECT_EQ(r.getLeft(), 6.0);
    EXPECT_EQ(r.getSize().x, -2.0);
    EXPECT_TRUE(r.isEmpty());
    Rect b(0, 2, 10, 10);
    b.setBottom(7.5f);
    EXPECT_EQ(b.getTop(), 2.0);
    EXPECT_EQ(b.getSize().y, 5.5);
    // The bottom edge is taken in single precision.
    b.setBottom(2.1);
    EXPECT_EQ(b.getSize().y, static_cast<double>(2.1f) - 2.0);
    EXPECT_NE(b.getSize().y, 2.1 - 2.0);
    Rect c(0, 0, 10, 20);
    c.setCenterX(0);
    c.setCenterY(100);
    expectRect(c, -5, 90, 10, 20);
    c.setCenter(Vec2(5, 10));
    expectRect(c, 0, 0, 10, 20);
    c.setPoint(Vec2(1, 2));
    c.setSize(Vec2(3, 4));
    expectRect(c, 1, 2, 3, 4);
    c.setLeft(-1);
    c.setTop(-2);
    expectRect(c, -1, -2, 3, 4);
}

TEST(RectTest, Emptiness) {
    EXPECT_TRUE(Rect(0, 0, 0, 5).isEmpty());
    EXPECT_TRUE(Rect(0, 0, 5, -1).isEmpty());
    EXPECT_FALSE(Rect(0, 0, 1e-9, 1e-9).isEmpty());
}

TEST(RectTest, Equality) {
    EXPECT_TRUE(Rect(0, 0, 1, 1) == Rect(1e-12, 0, 1, 1));
    EXPECT_FALSE(Rect(0, 0, 1, 1) == Rect(0, 0, 1, 1 + 1e-11));
    EXPECT_TRUE(Rect(0, 0, 1, 1) != Rect(0, 2e-12, 1, 1));
}

TEST(RectTest, ContainmentIncludesEdges) {
    const Rect r(0, 0, 10, 10);
    EXPECT_TRUE(r.containsPoint(Vec2(10, 10)));
    EXPECT_TRUE(r.containsPoint(Vec2(0, 0)));
    EXPECT_FALSE(r.containsPoint(Vec2(10.001, 5)));
    EXPECT_FALSE(r.containsPoint(Vec2(5, -0.001)));
    EXPECT_TRUE(r.containsRect(Rect(0, 0, 10, 10)));
    EXPECT_TRUE(r.containsRect(Rect(2, 2, 3, 3)));
    EXPECT_FALSE(r.containsRect(Rect(2, 2, 9, 3)));
    EXPECT_FALSE(r.containsRect(Rect(-1, 2, 3, 3)));
}

TEST(RectTest, IntersectsIsStrictTouchesIsNot) {
    const Rect a(0, 0, 10, 10);
    const Rect b(10, 0, 5, 5);
    EXPECT_FALSE(a.intersects(b));
    EXPECT_FALSE(b.intersects(a));
    EXPECT_TRUE(a.touches(b));
    EXPECT_TRUE(a.touches(Rect(10, 10, 1, 1)));  // a corner
    EXPECT_FALSE(a.touches(Rect(10.5, 0, 1, 1)));
    EXPECT_TRUE(a.intersects(Rect(9, 9, 5, 5)));
    EXPECT_EQ(a.intersect(b).getSize().x, 0.0);
    expectRect(a.intersect(Rect(5, -5, 10, 10)), 5, 0, 5, 5);
    // Disjoint rectangles give a negative size, not clamped.
    expectRect(a.intersect(Rect(20, 0, 5, 5)), 20, 0, -10, 5);
}

TEST(RectTest, UniteAndInclude) {
    const Rect a(0, 0, 10, 10);
    expectRect(a.unite(Rect(20, -5, 5, 5)), 0, -5, 25, 15);
    Rect r(a);
    const Rect grown = r.getInclude(Vec2(-5, 20));
    expectRect(grown, -5, 0, 15, 20);
    expectRect(r, 0, 0, 10, 10);
    r.include(Vec2(-5, 20));
    expectRect(r, -5, 0, 15, 20);
    r.include(Vec2(1, 1));
    expectRect(r, -5, 0, 15, 20);
}

TEST(RectTest, ExpandAndScale) {
    const Rect a(0, 0, 10, 10);
    expectRect(a.expand(Vec2(1, 2)), -1, -2, 12, 14);
    expectRect(a.expand(0.5f), -0.5, -0.5, 11, 11);
    expectRect(a.scale(2, 2), -10, -10, 30, 30);
    expectRect(a.scale(1, 1), 0, 0, 10, 10);
    expectRect(a.scale(1.5f, 1), -5, 0, 20, 10);
    // Factors and margins are taken in single precision.
    const Rect s = Rect(0, 0, 1, 1).scale(1.1, 1);
    EXPECT_EQ(s.getLeft(), -(static_cast<double>(1.1f) * 1 - 1));
    EXPECT_NE(s.getLeft(), -(1.1 - 1));
    EXPECT_EQ(a.expand(0.1).getLeft(), -static_cast<double>(0.1f));
}

TEST(RangeTest, Constructors) {
    const Range whole(true);
    EXPECT_EQ(whole.start, 0);
    EXPECT_EQ(whole.length, 2147483647);
    const Range none(false);
    EXPECT_EQ(none.start, 0);
    EXPECT_EQ(none.length, 0);
    const Range at(7);
    EXPECT_EQ(at.start, 7);
    EXPECT_EQ(at.length, 0);
    Range span(3, 9);
    EXPECT_EQ(span.start, 3);
    EXPECT_EQ(span.length, 9);
    span = at;
    EXPECT_EQ(span.start, 7);
    EXPECT_EQ(span.length, 0);
}

}  // namespace
}  // namespace Corvane::Tessory
