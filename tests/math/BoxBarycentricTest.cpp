#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Math/Barycentric.h"
#include "Math/Box3.h"

namespace Corvane::Tessory {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

void expectVec(const Vec3& v, double x, double y, double z, double tol = 0) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void expectWeights(const Barycentric& b, double u, double v, double w, double tol = 1e-15) {
    EXPECT_NEAR(b.u, u, tol);
    EXPECT_NEAR(b.v, v, tol);
    EXPECT_NEAR(b.w, w, tol);
}

const Box3 kUnit(Vec3(0, 0, 0), Vec3(1, 1, 1));

TEST(Box3Test, ContainmentIncludesFaces) {
    EXPECT_TRUE(kUnit.containsPoint(Vec3(1, 0.5, 0)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(1.0001, 0.5, 0.5)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(0.5, 0.5, -0.0001)));
    EXPECT_TRUE(kUnit.containsBox(kUnit));
    EXPECT_TRUE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1, 0.5))));
    EXPECT_FALSE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1.1, 0.5))));
}

TEST(Box3Test, IntersectionAndUnion) {
    const Box3 touching(Vec3(1, 0, 0), Vec3(2, 1, 1));
    EXPECT_TRUE(kUnit.intersectsBox(touching));
    EXPECT_FALSE(kUnit.intersectsBox(Box3(Vec3(1.1, 0, 0), Vec3(2, 1, 1))));
    EXPECT_FALSE(kUnit.intersectsBox(Box3(Vec3(0, 0, -3), Vec3(1, 1, -2))));

    Box3 overlap(kUnit);
    overlap.intersects(Box3(Vec3(0.5, -1, 0.25), Vec3(3, 0.75, 0.5)));
    expectVec(overlap.min, 0.5, 0, 0.25);
    expectVec(overlap.max, 1, 0.75, 0.5);

    Box3 disjoint(kUnit);
    disjoint.intersects(Box3(Vec3(5, 5, 5), Vec3(6, 6, 6)));
    EXPECT_TRUE(disjoint == Box3());

    Box3 both(kUnit);
    both.unionBox(Box3(Vec3(-1, 0.5, 0.5), Vec3(0.5, 3, 0.5)));
    expectVec(both.min, -1, 0, 0);
    expectVec(both.max, 1, 3, 1);
}

TEST(BarycentricTest, WeightsFollowVertexOrder) {
    const Barycentric b(Vec2(1, 0), Vec2(0, 1), Vec2(0, 0), Vec2(0.2, 0.3));
    EXPECT_DOUBLE_EQ(b.u, 0.2);
    EXPECT_DOUBLE_EQ(b.v, 0.3);
    EXPECT_DOUBLE_EQ(b.w, 0.5);
    EXPECT_EQ(b.w, 1 - b.u - b.v);
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

TEST(BarycentricTest, ProjectsPointsOffThePlane) {
    const Vec3 a(1, 0, 0);
    const Vec3 b(0, 1, 0);
    const Vec3 c(0, 0, 0);
    const Barycentric off(a, b, c, Vec3(0.2, 0.3, 5));
    expectWeights(off, 0.2, 0.3, 0.5);
    const Vec3 p = off.interpolate(a, b, c);
    expectVec(p, 0.2, 0.3, 0, 1e-15);
}

}  // namespace
}  // namespace Corvane::Tessory
