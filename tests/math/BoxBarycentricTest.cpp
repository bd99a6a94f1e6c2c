#include <gtest/gtest.h>

#include <cmath>

#include "Math/Barycentric.h"
#include "Math/Box3.h"

namespace Corvane::Tessory {
namespace {

const Box3 kUnit(Vec3(0, 0, 0), Vec3(1, 1, 1));

TEST(Box3Test, ContainmentIncludesFaces) {
    EXPECT_TRUE(kUnit.containsPoint(Vec3(1, 0.5, 0)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(1.0001, 0.5, 0.5)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(0.5, 0.5, -0.0001)));
    EXPECT_TRUE(kUnit.containsBox(kUnit));
    EXPECT_TRUE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1, 0.5))));
    EXPECT_FALSE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1.1, 0.5))));
}

TEST(BarycentricTest, OutsideAndDegenerate) {
    const Barycentric out(Vec2(1, 0), Vec2(0, 1), Vec2(0, 0), Vec2(-0.5, 0.5));
    EXPECT_LT(out.u, 0.0);
    EXPECT_FALSE(out.isInside());
    EXPECT_FALSE(Barycentric(0.5, 0.6, -0.1).isInside());
    EXPECT_FALSE(Barycentric(1.2, -0.1, -0.1).isInside());
    EXPECT_TRUE(Barycentric(0, 0, 1).isInside());
    const Barycentric collinear(Vec2(0, 0), Vec2(1, 1), Vec2(2, 2), Vec2(1, 0));
    EXPECT_FALSE(std::isfinite(collinear.u));
    EXPECT_FALSE(collinear.isInside());
}

}  // namespace
}  // namespace Corvane::Tessory
