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

TEST(RectTest, Emptiness) {
    EXPECT_TRUE(Rect(0, 0, 0, 5).isEmpty());
    EXPECT_TRUE(Rect(0, 0, 5, -1).isEmpty());
    EXPECT_FALSE(Rect(0, 0, 1e-9, 1e-9).isEmpty());
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

}  // namespace
}  // namespace Corvane::Tessory
