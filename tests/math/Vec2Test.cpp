#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Math/Vec2.h"

namespace Corvane::Tessory {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Vec2Test, ToleranceHelpers) {
    // 3-4-5 triangle: the squared distance equals tol squared, which is not "within".
    EXPECT_FALSE(Vec2::equalWithTolerance(0, 0, 3, 4, 5));
    EXPECT_TRUE(Vec2::equalWithTolerance(Vec2(0, 0), Vec2(3, 4), 5.0001));
    EXPECT_TRUE(Vec2::isDuplicate(Vec2(1, 1), Vec2(1.2499, 0.7501)));
    EXPECT_FALSE(Vec2::isDuplicate(Vec2(1, 1), Vec2(1.25, 1)));
    EXPECT_FALSE(Vec2::isDuplicate(Vec2(1, 1), Vec2(1, 0.75)));
}

TEST(Vec2Test, RotationUsesFifteenDigitFactor) {
    Vec2 v(1, 0);
    v.rotate(90);
    // 90 * 0.017453292519943 falls about 2.65e-14 short of pi/2.
    EXPECT_EQ(v.x, std::cos(90 * 0.017453292519943));
    EXPECT_NEAR(v.x, 2.65e-14, 1e-15);
    EXPECT_EQ(v.y, std::sin(90 * 0.017453292519943));
    EXPECT_EQ(kDegToRad, 0.017453292519943);
    EXPECT_EQ(kRadToDeg, 57.29577951308232);
}

TEST(Vec2Test, RotateByZeroLeavesValueUntouched) {
    // Running the formula would turn inf * sin(0) into NaN.
    Vec2 v(kInf, 3);
    v.rotate(0);
    EXPECT_EQ(v.x, kInf);
    EXPECT_EQ(v.y, 3.0);
    v.rotateAround(0, Vec2(1, 1));
    EXPECT_EQ(v.y, 3.0);
    const Vec2 r = v.rotateRound(0, Vec2(1, 1));
    EXPECT_EQ(r.x, kInf);
    EXPECT_EQ(r.y, 3.0);
}

TEST(Vec2Test, LengthAndZeroVectorRule) {
    EXPECT_EQ(Vec2(3, 4).length(), 5.0);
    EXPECT_EQ(Vec2(3, 4).lengthSquare(), 25.0);
    Vec2 zero;
    zero.normalize();
    EXPECT_EQ(zero.x, 1.0);
    EXPECT_EQ(zero.y, 0.0);
    Vec2 z5;
    z5.setLength(5);
    EXPECT_EQ(z5.x, 5.0);
    EXPECT_EQ(z5.y, 0.0);
    Vec2 v(3, 4);
    v.setLength(10);
    EXPECT_DOUBLE_EQ(v.x, 6.0);
    EXPECT_DOUBLE_EQ(v.y, 8.0);
    v.normalize();
    EXPECT_DOUBLE_EQ(v.length(), 1.0);
}

TEST(Vec2Test, IntersectOutsideCodes) {
    Vec2 out;
    double t = 0;
    double u = 0;
    const Vec2 p1(0, 0);
    const Vec2 p2(1, 0);
    EXPECT_EQ(Vec2::intersect(p1, p2, Vec2(2, -1), Vec2(2, 1), out, &t, &u), 3);
    EXPECT_EQ(t, 2.0);
    EXPECT_EQ(out.x, 2.0);
    EXPECT_EQ(Vec2::intersect(p1, p2, Vec2(0.5, 1), Vec2(0.5, 2), out, &t, &u), 4);
    EXPECT_EQ(u, -1.0);
    EXPECT_EQ(Vec2::intersect(p1, p2, Vec2(2, 1), Vec2(2, 2), out, nullptr, nullptr), 5);
    EXPECT_EQ(out.x, 2.0);
    // Ends of the segments count as on them.
    EXPECT_EQ(Vec2::intersect(p1, p2, Vec2(1, 0), Vec2(1, 1), out, &t, &u), 1);
    EXPECT_EQ(t, 1.0);
    EXPECT_EQ(u, 0.0);
}

TEST(Vec2Test, IntersectParallelAndCoincident) {
    Vec2 out(9, 9);
    double t = 42;
    EXPECT_EQ(Vec2::intersect(Vec2(0, 0), Vec2(1, 0), Vec2(0, 1), Vec2(1, 1), out, &t, nullptr),
              Vec2::kParallel);
    EXPECT_TRUE(out.isZero());
    EXPECT_EQ(t, 42.0);
    EXPECT_EQ(Vec2::intersect(Vec2(0, 0), Vec2(2, 2), Vec2(5, 5), Vec2(7, 7), out, &t, nullptr),
              Vec2::kCoincident);
    EXPECT_EQ(out.x, 1.0);
    EXPECT_EQ(out.y, 1.0);
    EXPECT_EQ(t, 42.0);
}

}  // namespace
}  // namespace Corvane::Tessory
