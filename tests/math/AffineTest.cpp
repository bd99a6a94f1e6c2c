#include <gtest/gtest.h>

#include <cmath>

#include "Math/Affine.h"

namespace Corvane::Tessory {
namespace {

void expectNear(const Vec2& actual, const Vec2& expected, double tol = 1e-12) {
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
}

TEST(AffineTest, MultiplyAppliesAfterPremultiplyBefore) {
    Affine shift;
    shift.setTranslate(5, 0);
    Affine doubled;
    doubled.setScale(2, 2);

    Affine after(shift);
    after.multiply(doubled);  // shift, then double
    EXPECT_EQ(after.getTransform(Vec2(1, 0)).x, 12.0);

    Affine before(shift);
    before.premultiply(doubled);  // double, then shift
    EXPECT_EQ(before.getTransform(Vec2(1, 0)).x, 7.0);
}

TEST(AffineTest, ComposingOperationsActFirst) {
    Affine a;
    a.setRotate(90);
    a.translate(10, 0);
    // The translation happens before the rotation.
    expectNear(a.getTransform(Vec2(0, 0)), Vec2(0, 10), 1e-12);

    Affine b;
    b.setTranslate(3, 0);
    b.rotate(90);
    expectNear(b.getTransform(Vec2(1, 0)), Vec2(3, 1));

    Affine c;
    c.setTranslate(3, 0);
    c.scale(2, 5);
    expectNear(c.getTransform(Vec2(1, 1)), Vec2(5, 5), 0);

    Affine d;
    d.setTranslate(1, 0);
    d.skewX(45);
    expectNear(d.getTransform(Vec2(0, 1)), Vec2(2, 1));
    Affine e;
    e.setScale(2, 2);
    e.skewY(45);
    expectNear(e.getTransform(Vec2(1, 0)), Vec2(2, 2));
}

TEST(AffineTest, LayerTransformFromAnchor) {
    const Vec2 anchor(40, 30);
    Affine a;
    a.set(anchor, anchor, Vec2(1, 1), 90);
    expectNear(a.getTransform(anchor), anchor, 1e-12);
    const Vec2 turned = a.getTransform(anchor + Vec2(1, 0));
    const double r = 90 * 0.017453292519943;
    EXPECT_NEAR(turned.x, anchor.x + std::cos(r), 1e-12);
    EXPECT_NEAR(turned.y, anchor.y + std::sin(r), 1e-12);
    EXPECT_NE(turned.x, anchor.x);  // the 15-digit factor leaves a residue

    // position + R S (p - anchor): scale before rotation.
    Affine b;
    b.set(Vec2(10, 0), Vec2(100, 200), Vec2(2, 3), 90);
    expectNear(b.getTransform(Vec2(11, 0)), Vec2(100, 202), 1e-12);
    expectNear(b.getTransform(Vec2(10, 1)), Vec2(97, 200), 1e-12);

    Affine c;
    c.set(Vec2(5, 7), Vec2(5, 7), Vec2(1, 1), 0);
    EXPECT_TRUE(c == Affine(true));
}

TEST(AffineTest, InverseRoundTrip) {
    Affine a;
    a.set(Vec2(12.5, -3), Vec2(640, 360), Vec2(1.5, -0.75), 37.25);
    a.skewX(10);
    Affine inv(false);
    ASSERT_TRUE(a.inverse(inv));
    Affine both(a);
    both.multiply(inv);
    EXPECT_TRUE(both == Affine(true));
    Affine other(inv);
    other.multiply(a);
    EXPECT_TRUE(other == Affine(true));
    const Vec2 p(17.25, -91);
    expectNear(inv.getTransform(a.getTransform(p)), p, 1e-10);
    EXPECT_TRUE(a.getInverse() == inv);
}

TEST(AffineTest, SingularThreshold) {
    Affine zero(false);
    Affine out;
    out.setTranslate(1, 2);
    EXPECT_FALSE(zero.inverse(out));
    EXPECT_EQ(out.m02, 1.0);
    EXPECT_EQ(out.m12, 2.0);
    EXPECT_TRUE(zero.getInverse() == Affine(true));

    Affine tiny;
    tiny.setScale(0.001, 0.0005);  // det 5e-7
    EXPECT_FALSE(tiny.inverse(out));
    EXPECT_TRUE(tiny.getInverse() == Affine(true));
    tiny.setScale(0.001, 0.002);  // det 2e-6
    ASSERT_TRUE(tiny.inverse(out));
    EXPECT_DOUBLE_EQ(out.m00, 1000.0);
    // The bound itself is not singular; the test is strict.
    tiny.setScale(1e-6, 1.0);
    EXPECT_TRUE(tiny.inverse(out));
    tiny.setScale(-1e-6, 0.9999);
    EXPECT_FALSE(tiny.inverse(out));
}

TEST(AffineTest, AverageScaleRoundsInSinglePrecision) {
    Affine a;
    a.setScale(2, 3);
    EXPECT_EQ(a.averageScale(), 2.5);
    a.setRotate(30);
    EXPECT_EQ(a.averageScale(), 1.0);
    a.setScale(0.1, 0.1);
    EXPECT_EQ(a.averageScale(), static_cast<double>(0.1f));
    EXPECT_NE(a.averageScale(), 0.1);
    a.setScale(1.23456, 1.23456);
    EXPECT_EQ(a.averageScale(), static_cast<double>(1.2346f));
    // 0.5 in units of 1e-4 rounds away from zero.
    a.setScale(0.00005, 0.00005);
    EXPECT_EQ(a.averageScale(), static_cast<double>(0.0001f));
    // Rows, not columns: a shear adds to the first row only.
    const Affine sheared(3, 0, 4, 1, 0, 0);  // rows (3 4) and (0 1)
    EXPECT_EQ(sheared.averageScale(), 3.0);
}

}  // namespace
}  // namespace Corvane::Tessory
