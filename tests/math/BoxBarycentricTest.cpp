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

TEST(Box3Test, EmptinessRules) {
    EXPECT_TRUE(Box3(Vec3(0, 0, 0), Vec3(0, 0, 0)).isEmpty());
    EXPECT_FALSE(Box3(Vec3(1, 1, 1), Vec3(1, 1, 1)).isEmpty());
    EXPECT_TRUE(Box3(Vec3(0, 2, 0), Vec3(1, 1, 1)).isEmpty());
    EXPECT_FALSE(Box3(Vec3(0, 0, 0), Vec3(0, 0, 1)).isEmpty());
    Box3 b;
    b.set(Vec3(2, 0, 0), Vec3(1, 1, 1));  // stored without reordering
    EXPECT_EQ(b.min.x, 2.0);
    EXPECT_TRUE(b.isEmpty());
}

TEST(Box3Test, FromPoints) {
    const Vec3 points[] = {Vec3(1, 2, 3), Vec3(-1, 5, 0), Vec3(4, -2, 1)};
    Box3 b;
    b.setFromPoints(points, 3);
    expectVec(b.min, -1, -2, 0);
    expectVec(b.max, 4, 5, 3);
    b.setFromPoints(points, 1);
    expectVec(b.min, 1, 2, 3);
    expectVec(b.max, 1, 2, 3);
    b.setFromPoints(nullptr, 5);
    EXPECT_TRUE(b == Box3());
    b.setFromPoints(points, 0);
    EXPECT_TRUE(b == Box3());
}

TEST(Box3Test, CenterSizeAndGrowth) {
    Box3 b;
    b.setFromCenterAndSize(Vec3(1, 2, 3), Vec3(2, 4, 6));
    expectVec(b.min, 0, 0, 0);
    expectVec(b.max, 2, 4, 6);
    expectVec(b.getCenter(), 1, 2, 3);
    expectVec(b.getSize(), 2, 4, 6);
    b.expandByVector(Vec3(1, 0, -1));
    expectVec(b.min, -1, 0, 1);
    expectVec(b.max, 3, 4, 5);
    b.expandByScalar(0.1f);
    EXPECT_EQ(b.min.x, -1 - static_cast<double>(0.1f));
    EXPECT_EQ(b.max.y, 4 + static_cast<double>(0.1f));
    b.translate(Vec3(10, 0, 0));
    EXPECT_EQ(b.max.x, 13 + static_cast<double>(0.1f));
}

TEST(Box3Test, ContainmentIncludesFaces) {
    EXPECT_TRUE(kUnit.containsPoint(Vec3(1, 0.5, 0)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(1.0001, 0.5, 0.5)));
    EXPECT_FALSE(kUnit.containsPoint(Vec3(0.5, 0.5, -0.0001)));
    EXPECT_TRUE(kUnit.containsBox(kUnit));
    EXPECT_TRUE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1, 0.5))));
    EXPECT_FALSE(kUnit.containsBox(Box3(Vec3(0.2, 0.2, 0.2), Vec3(0.5, 1.1, 0.5))));
}

TEST(Box3Test, ParameterClampAndDistance) {
    const Box3 b(Vec3(0, 0, 0), Vec3(2, 4, 8));
    expectVec(b.getParameter(Vec3(1, 1, 8)), 0.5, 0.25, 1);
    const Vec3 flat = Box3(Vec3(0, 0, 0), Vec3(0, 1, 1)).getParameter(Vec3(1, 0, 0));
    EXPECT_TRUE(std::isinf(flat.x));
    expectVec(kUnit.clampPoint(Vec3(3, -1, 0.5)), 1, 0, 0.5);
    EXPECT_EQ(kUnit.distanceToPoint(Vec3(3, 0, 0)), 2.0);
    EXPECT_EQ(kUnit.distanceToPoint(Vec3(0.5, 0.5, 0.5)), 0.0);
    EXPECT_EQ(kUnit.distanceToPoint(Vec3(4, 5, 1)), 5.0);
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

TEST(BarycentricTest, VerticesAndCentroid) {
    const Vec2 a(0, 0);
    const Vec2 b(4, 0);
    const Vec2 c(0, 3);
    const Barycentric atA(a, b, c, a);
    expectWeights(atA, 1, 0, 0);
    EXPECT_TRUE(atA.isInside());
    const Barycentric atB(a, b, c, b);
    expectWeights(atB, 0, 1, 0);
    const Barycentric atC(a, b, c, c);
    expectWeights(atC, 0, 0, 1);
    EXPECT_TRUE(atC.isInside());
    const Barycentric centroid(a, b, c, (a + b + c) / 3.0);
    expectWeights(centroid, 1.0 / 3, 1.0 / 3, 1.0 / 3);
    EXPECT_TRUE(centroid.isInside());
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

TEST(BarycentricTest, VectorAndColourForms) {
    const Vec4 a(1, 0, 0, 1);
    const Vec4 b(0, 1, 0, 1);
    const Vec4 c(0, 0, 1, 1);
    const Barycentric w4(a, b, c, Vec4(0.5, 0.25, 0.25, 1));
    expectWeights(w4, 0.5, 0.25, 0.25);
    const Vec4 mixed = w4.interpolate(a, b, c);
    EXPECT_NEAR(mixed.x, 0.5, 1e-15);
    EXPECT_NEAR(mixed.w, 1.0, 1e-15);

    const Color red(1, 0, 0, 1);
    const Color green(0, 1, 0, 1);
    const Color blue(0, 0, 1, 0);
    const Barycentric wc(red, green, blue, Color(0.2, 0.3, 0.5, 0.5));
    expectWeights(wc, 0.2, 0.3, 0.5);
    const Color back = wc.interpolate(red, green, blue);
    EXPECT_NEAR(back.r(), 0.2, 1e-15);
    EXPECT_NEAR(back.b(), 0.5, 1e-15);
    EXPECT_NEAR(back.a(), 0.5, 1e-15);

    const Barycentric fixed(0.25, 0.25, 0.5);
    const Vec2 v2 = fixed.interpolate(Vec2(4, 0), Vec2(0, 4), Vec2(2, 2));
    EXPECT_EQ(v2.x, 2.0);
    EXPECT_EQ(v2.y, 2.0);
    const Vec3 v3 = fixed.interpolate(Vec3(4, 0, 8), Vec3(0, 4, 0), Vec3(0, 0, 0));
    expectVec(v3, 1, 1, 2);
}

}  // namespace
}  // namespace Corvane::Tessory
