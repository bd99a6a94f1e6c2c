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

void expectNearMatrix(const Mat4& a, const Mat4& b, double tol) {
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(a.m[k], b.m[k], tol) << "element " << k;
    }
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

TEST(Mat4Test, VectorProducts) {
    const Mat4 a = sample();
    const Vec4 v = a * Vec4(1, 2, 3, 1);
    // Row 3 of the sample is (7, -3, 2, 1).
    EXPECT_EQ(v.w, 7 - 6 + 6 + 1.0);
    EXPECT_EQ(v.x, 2 - 2 + 0 + 3.0);
    const Vec3 p = a * Vec3(1, 2, 3);
    EXPECT_EQ(p.x, v.x);
    EXPECT_EQ(p.z, v.z);
    const Vec3 noTranslate = a.multWithoutTranslate(Vec3(1, 2, 3));
    EXPECT_EQ(noTranslate.x, v.x - 3);
    const Vec3 projected = a.multAndProject(Vec3(1, 2, 3));
    EXPECT_DOUBLE_EQ(projected.x, v.x / v.w);
    EXPECT_DOUBLE_EQ(projected.y, v.y / v.w);
    const Vec4 m4 = a.mult(Vec4(0, 0, 0, 1));
    EXPECT_EQ(m4.x, 3.0);
    EXPECT_EQ(a.mult(Vec3(0, 0, 0)).y, 0.5);
}

TEST(Mat4Test, DeterminantAndInverse) {
    const Mat4 upper(2, 1, 7, 3, 0, 3, -2, 5, 0, 0, 4, 1, 0, 0, 0, 5, false);
    EXPECT_DOUBLE_EQ(upper.determinant(), 120.0);
    const Mat4 swapped(0, 3, -2, 5, 2, 1, 7, 3, 0, 0, 4, 1, 0, 0, 0, 5, false);
    EXPECT_DOUBLE_EQ(swapped.determinant(), -120.0);

    const Mat4 a = sample();
    Mat4 inv(false);
    ASSERT_TRUE(a.getInverse(inv));
    expectNearMatrix(a * inv, Mat4(true), 1e-12);
    expectNearMatrix(inv * a, Mat4(true), 1e-12);
    EXPECT_NEAR(a.determinant() * inv.determinant(), 1.0, 1e-12);

    Mat4 self(a);
    ASSERT_TRUE(self.getInverse(self));
    expectNearMatrix(self, inv, 0);
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

TEST(Mat4Test, MaxScaleOnAxis) {
    Mat4 s;
    s.setScale(2, -5, 3);
    EXPECT_EQ(s.getMaxScaleOnAxis(), 5.0);
    s.m[3] = 100;  // the bottom row does not count
    EXPECT_EQ(s.getMaxScaleOnAxis(), 5.0);
}

TEST(Mat4Test, AxisRotations) {
    Mat4 m;
    m.setXRotation(M_PI / 2);
    expectVec(m * Vec3(0, 1, 0), 0, 0, 1);
    m.setYRotation(M_PI / 2);
    expectVec(m * Vec3(0, 0, 1), 1, 0, 0);
    EXPECT_EQ(m.m[2], -1.0);
    m.setZRotation(M_PI / 2);
    expectVec(m * Vec3(1, 0, 0), 0, 1, 0);
    EXPECT_EQ(m.m[4], -1.0);
}

TEST(Mat4Test, RotationAboutAxis) {
    Mat4 general;
    general.setRotation(0.8, Vec3(0, 0, 3));
    Mat4 z;
    z.setZRotation(0.8);
    expectNearMatrix(general, z, 1e-15);
    general.setRotation(0.8, 0, 0, 0);  // zero axis means x
    Mat4 x;
    x.setXRotation(0.8);
    expectNearMatrix(general, x, 1e-15);
    general.setRotation(0.8, 0, -2, 0);
    Mat4 y;
    y.setYRotation(-0.8);
    expectNearMatrix(general, y, 1e-15);
    // An arbitrary axis stays put and a third of a turn about (1,1,1) cycles the axes.
    general.setRotation(2 * M_PI / 3, Vec3(1, 1, 1));
    expectVec(general * Vec3(1, 1, 1), 1, 1, 1, 1e-15);
    expectVec(general * Vec3(1, 0, 0), 0, 1, 0, 1e-15);
}

TEST(Mat4Test, ComposingOperationsMultiplyOnTheRight) {
    Mat4 m;
    m.setScale(2, 2, 2);
    m.translate(1, 0, 0);
    expectVec(m * Vec3(0, 0, 0), 2, 0, 0, 0);
    m.setTranslate(5, 0, 0);
    m.rotateZ(M_PI / 2);
    expectVec(m * Vec3(1, 0, 0), 5, 1, 0);
    m.setTranslate(5, 0, 0);
    m.rotateX(M_PI / 2);
    expectVec(m * Vec3(0, 1, 0), 5, 0, 1);
    m.setTranslate(5, 0, 0);
    m.rotateY(M_PI / 2);
    expectVec(m * Vec3(0, 0, 1), 6, 0, 0);
    m.setTranslate(0, 1, 0);
    m.rotate(M_PI / 2, Vec3(0, 0, 1));
    expectVec(m * Vec3(1, 0, 0), 0, 2, 0);
    m.setTranslate(0, 1, 0);
    m.rotate(M_PI / 2, Vec4(0, 0, 1, 99));
    expectVec(m * Vec3(1, 0, 0), 0, 2, 0);
    m.setTranslate(1, 1, 1);
    m.scale(Vec3(2, 3, 4));
    expectVec(m * Vec3(1, 1, 1), 3, 4, 5, 0);
    m.scale(Vec4(0.5, 1, 1, 7));
    m.translate(Vec3(2, 0, 0));
    m.translate(Vec4(0, 0, 1, 9));
    expectVec(m * Vec3(0, 0, 0), 3, 1, 5, 0);
    // Translation also reaches the bottom row of a projective matrix.
    Mat4 p(false);
    p.m[3] = 1;
    p.translate(2, 0, 0);
    EXPECT_EQ(p.m[15], 2.0);
}

TEST(Mat4Test, Perspective) {
    Mat4 m = sample();
    m.setPerspective(M_PI / 2, 2, 1, 100);
    EXPECT_NEAR(m.m[0], 0.5, 1e-15);
    EXPECT_NEAR(m.m[5], 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(m.m[10], -101.0 / 99.0);
    EXPECT_DOUBLE_EQ(m.m[14], -200.0 / 99.0);
    EXPECT_EQ(m.m[11], -1.0);
    EXPECT_EQ(m.m[15], 0.0);
    EXPECT_EQ(m.m[12], 0.0);
    expectVec(m.multAndProject(Vec3(0, 0, -1)), 0, 0, -1);
    expectVec(m.multAndProject(Vec3(0, 0, -100)), 0, 0, 1);
}

TEST(Mat4Test, FrustumPutsBottomFirst) {
    Mat4 m;
    m.setFrustum(-1, 1, 0, 2, 1, 10);
    expectVec(m.multAndProject(Vec3(-1, 0, -1)), -1, -1, -1);
    expectVec(m.multAndProject(Vec3(1, 2, -1)), 1, 1, -1);
    EXPECT_NEAR(m.multAndProject(Vec3(0, 0, -10)).z, 1.0, 1e-12);
    EXPECT_EQ(m.m[15], 0.0);
    EXPECT_EQ(m.m[11], -1.0);
}

TEST(Mat4Test, OrthoTakesTopBeforeBottom) {
    Mat4 m;
    m.setOrtho(0, 640, 0, 480, -1, 1);
    // y = 0 (the third argument, top) maps to +1: a y-down layer onto y-up clip space.
    expectVec(m * Vec3(0, 0, 0), -1, 1, 0);
    expectVec(m * Vec3(640, 480, 0), 1, -1, 0);
    m.setOrtho(-2, 2, 3, -1, 1, 5);
    expectVec(m * Vec3(-2, -1, -1), -1, -1, -1);
    expectVec(m * Vec3(2, 3, -5), 1, 1, 1);
    EXPECT_EQ(m.m[15], 1.0);
    EXPECT_EQ(m.m[11], 0.0);
}

TEST(Mat4Test, LookAtWritesRotationOnly) {
    Mat4 m(false);
    m.m[3] = 9;
    m.m[12] = 7;
    m.m[15] = 3;
    m.setLookAt(Vec3(0, 0, 5), Vec3(0, 0, 0), Vec3(0, 1, 0));
    EXPECT_EQ(m.m[0], 1.0);
    EXPECT_EQ(m.m[5], 1.0);
    EXPECT_EQ(m.m[10], 1.0);
    EXPECT_EQ(m.m[3], 9.0);
    EXPECT_EQ(m.m[12], 7.0);
    EXPECT_EQ(m.m[15], 3.0);
    m.setLookAt(5, 0, 0, 0, 0, 0, 0, 1, 0);  // looking down -x
    expectVec(Vec3(m.m[8], m.m[9], m.m[10]), 1, 0, 0);
    expectVec(Vec3(m.m[0], m.m[1], m.m[2]), 0, 0, -1);
    expectVec(Vec3(m.m[4], m.m[5], m.m[6]), 0, 1, 0);
    m.setLookAt(Vec3(1, 2, 3), Vec3(1, 2, 3), Vec3(0, 1, 0));
    expectVec(Vec3(m.m[8], m.m[9], m.m[10]), 1, 0, 0, 0);
    // up parallel to the view direction: x falls back to the x axis.
    m.setLookAt(Vec3(0, 5, 0), Vec3(0, 0, 0), Vec3(0, 1, 0));
    expectVec(Vec3(m.m[0], m.m[1], m.m[2]), 1, 0, 0, 0);
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
