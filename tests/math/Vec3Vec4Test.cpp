#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Math/Mat4.h"
#include "Math/Quaternion.h"
#include "Math/Vec3.h"
#include "Math/Vec4.h"

namespace Corvane::Tessory {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

void expectVec(const Vec3& v, double x, double y, double z, double tol = 0) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void expectVec(const Vec4& v, double x, double y, double z, double w, double tol = 0) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
    EXPECT_NEAR(v.w, w, tol);
}

TEST(CyclicDifferenceTest, OnePeriodAtMost) {
    EXPECT_EQ(cyclicDifference(350, 10, 360), -20.0);
    EXPECT_EQ(cyclicDifference(10, 350, 360), 20.0);
    EXPECT_EQ(cyclicDifference(180, 0, 360), 180.0);
    EXPECT_EQ(cyclicDifference(0, 180, 360), -180.0);
    EXPECT_EQ(cyclicDifference(181, 0, 360), -179.0);
    EXPECT_EQ(cyclicDifference(0, 181, 360), 179.0);
    EXPECT_EQ(cyclicDifference(800, 0, 360), 440.0);
    EXPECT_EQ(cyclicDifference(30, 20, 360), 10.0);
}

TEST(Vec3Test, LargestAbsComponentTiesGoLater) {
    EXPECT_EQ(Vec3(1, -1, 0).largestAbsComponent(), 1);
    EXPECT_EQ(Vec3(2, 0, -2).largestAbsComponent(), 2);
    EXPECT_EQ(Vec3(0, 0, 0).largestAbsComponent(), 2);
    EXPECT_EQ(Vec3(-3, 1, 2).largestAbsComponent(), 0);
    EXPECT_EQ(Vec3(0, -3, 3).largestAbsComponent(), 2);
    EXPECT_EQ(Vec3(0, -3, 2).largestAbsComponent(), 1);
}

TEST(Vec3Test, AngleBetweenIsNotClamped) {
    EXPECT_TRUE(std::isnan(Vec3().angleBetween(Vec3(1, 0, 0))));
    Vec3 n(1, 1, 1);
    n.normalize();
    const double c = n.dot(n) / (n.length() * n.length());
    ASSERT_GT(c, 1.0);  // rounding pushes the cosine of this pair above 1
    EXPECT_TRUE(std::isnan(n.angleBetween(n)));
}

TEST(Vec3Test, ZeroVectorRule) {
    Vec3 v;
    v.normalize();
    expectVec(v, 1, 0, 0);
    Vec3 w(0, 0, 0);
    w.setLength(5);
    expectVec(w, 5, 0, 0);
    Vec3 u(0, 3, 4);
    u.setLength(10);
    expectVec(u, 0, 6, 8, 1e-15);
    u.normalize();
    EXPECT_DOUBLE_EQ(u.length(), 1.0);
}

// Reference for the spherical branch: angle and weights in single precision.
Vec4 singlePrecisionSlerp(const Vec4& a, const Vec4& b, double t) {
    const double c = a.dot(b) / (a.length() * b.length());
    const float theta = std::acos(static_cast<float>(c));
    const float r = 1.0f / std::sin(theta);
    const double wa = static_cast<double>(std::sin(static_cast<float>((1.0 - t) * theta))) * r;
    const double wb = static_cast<double>(std::sin(static_cast<float>(theta * t))) * r;
    Vec4 result = a * wa + b * wb;
    result.normalize();
    return result;
}

TEST(Vec4Test, LerpSphericalInSinglePrecision) {
    const Vec4 a(1, 0, 0, 0);
    const Vec4 b(0, 1, 0, 0);
    const Vec4 r = Vec4::lerp(a, b, 0.3);
    const Vec4 expected = singlePrecisionSlerp(a, b, 0.3);
    expectVec(r, expected.x, expected.y, expected.z, expected.w);
    // Close to the exact great-circle point, but not equal to it.
    EXPECT_NEAR(r.x, std::cos(0.3 * M_PI / 2), 1e-6);
    EXPECT_NEAR(r.y, std::sin(0.3 * M_PI / 2), 1e-6);
    EXPECT_NE(r.x, std::cos(0.3 * M_PI / 2));
    EXPECT_DOUBLE_EQ(r.length(), 1.0);
}

TEST(Vec4Test, LerpBandUsesSinglePrecisionBound) {
    // 1 - c lies between the float 0.01 (0.0099999998) and the double 0.01: the float
    // bound puts it outside the linear band.
    const double c = 0.99000000012;
    const Vec4 a(1, 0, 0, 0);
    const Vec4 b(c, std::sqrt(1 - c * c), 0, 0);
    const double computed = a.dot(b) / (a.length() * b.length());
    ASSERT_GT(1 - computed, static_cast<double>(0.01f));
    ASSERT_LT(1 - computed, 0.01);
    const Vec4 r = Vec4::lerp(a, b, 0.3);
    const Vec4 expected = singlePrecisionSlerp(a, b, 0.3);
    expectVec(r, expected.x, expected.y, expected.z, expected.w);
    Vec4 linear = a * 0.7 + b * 0.3;
    linear.normalize();
    EXPECT_NE(r.y, linear.y);
}

TEST(Vec4Test, LerpTakesTheShortWay) {
    const Vec4 a(1, 0, 0, 0);
    const Vec4 b(-1, 0.5, 0, 0);
    const Vec4 r = Vec4::lerp(a, b, 0.4);
    const Vec4 viaNegated = Vec4::lerp(a, b.negate(), 0.4);
    expectVec(r, viaNegated.x, viaNegated.y, viaNegated.z, viaNegated.w);
    EXPECT_GT(r.x, 0.0);
    EXPECT_LT(r.y, 0.0);
}

}  // namespace
}  // namespace Corvane::Tessory
