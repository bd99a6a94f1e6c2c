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

}  // namespace
}  // namespace Corvane::Tessory
