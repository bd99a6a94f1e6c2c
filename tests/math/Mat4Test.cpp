#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Math/Mat4.h"

namespace Corvane::Tessory {
namespace {

void expectVec(const Vec3& v, double x, double y, double z, double tol = 1e-12) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

Mat4 sample() {
    // A general matrix with a non-trivial bottom row and determinant.
    return Mat4(2, -1, 0, 3, 1, 4, -2, 0.5, 0, 3, 5, -1, 7, -3, 2, 1, false);
}

TEST(Mat4Test, ProductsApplyRightFactorFirst) {
    Mat4 t;
    t.setTranslate(5, 0, 0);
    Mat4 s;
    s.setScale(2, 2, 2);
    expectVec((t * s) * Vec3(1, 0, 0), 7, 0, 0);
    expectVec((s * t) * Vec3(1, 0, 0), 12, 0, 0);
    Mat4 inPlace(t);
    inPlace.mult(s);
    EXPECT_TRUE(inPlace == t * s);
}

TEST(Mat4Test, StaticMultMayAliasItsInputs) {
    const Mat4 a = sample();
    Mat4 b;
    b.setRotation(0.7, 1, 2, 3);
    b.translate(1, -2, 3);
    const Mat4 expected = a * b;
    Mat4 left(a);
    Mat4::mult(left, b, left);
    EXPECT_TRUE(left == expected);
    Mat4 right(b);
    Mat4::mult(a, right, right);
    EXPECT_TRUE(right == expected);
    // Entry (row 0, column 0) of the product, written out.
    EXPECT_DOUBLE_EQ(expected.m[0],
                     a.m[0] * b.m[0] + a.m[4] * b.m[1] + a.m[8] * b.m[2] + a.m[12] * b.m[3]);
}

TEST(Mat4Test, InverseOfSingularGivesIdentity) {
    Mat4 out = sample();
    EXPECT_FALSE(Mat4(false).getInverse(out));
    EXPECT_TRUE(out == Mat4(true));
    const Mat4 twoEqualRows(1, 2, 3, 4, 1, 2, 3, 4, 0, 1, 0, 0, 0, 0, 1, 0, false);
    out = sample();
    EXPECT_FALSE(twoEqualRows.getInverse(out));
    EXPECT_TRUE(out == Mat4(true));
    EXPECT_TRUE(Mat4(true).getInverse(out));
    EXPECT_TRUE(out == Mat4(true));
    // A NaN determinant is not zero: the inverse is attempted.
    Mat4 nan(true);
    nan.m[0] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(nan.getInverse(out));
    EXPECT_TRUE(std::isnan(out.m[5]));
}

TEST(Mat4Test, AffineRoundTrip) {
    const Affine a(1, 2, 3, 4, 5, 6);
    Mat4 m = sample();
    m.setWithAffine(a);
    EXPECT_EQ(m.m[0], 1.0);
    EXPECT_EQ(m.m[1], 2.0);
    EXPECT_EQ(m.m[4], 3.0);
    EXPECT_EQ(m.m[5], 4.0);
    EXPECT_EQ(m.m[12], 5.0);
    EXPECT_EQ(m.m[13], 6.0);
    EXPECT_EQ(m.m[10], 1.0);
    EXPECT_EQ(m.m[2], 0.0);
    EXPECT_TRUE(m.getAffine() == a);
    const Vec3 p = m * Vec3(2, -1, 0);
    const Vec2 q = a.getTransform(Vec2(2, -1));
    EXPECT_EQ(p.x, q.x);
    EXPECT_EQ(p.y, q.y);
}

TEST(Mat4Test, LayerToGLConversion) {
    const Mat4 m = Mat4::getAEToGLConversionMatrix(1920, 1080);
    expectVec(m * Vec3(0, 0, 0), -960, 540, 0, 0);
    expectVec(m * Vec3(1920, 1080, 5), 960, -540, -5, 0);
    expectVec(m * Vec3(960, 540, 0), 0, 0, 0, 0);
}

}  // namespace
}  // namespace Corvane::Tessory
