// The 2D transform the effect places its instances with: composition order, the inverse
// and its singular threshold, the average scale.
#include <gtest/gtest.h>

#include "Math/Affine.h"

namespace Corvane::Tessory {
namespace {

void expectNear(const Vec2& actual, double x, double y, double tol = 1e-12) {
    EXPECT_NEAR(actual.x, x, tol);
    EXPECT_NEAR(actual.y, y, tol);
}

TEST(AffineTest, OperationsComposeInTheirOrder) {
    Affine shift;
    shift.setTranslate(5, 0);
    Affine doubled;
    doubled.setScale(2, 2);
    Affine after(shift);
    after.multiply(doubled);  // shift, then double
    EXPECT_EQ(after.getTransform(Vec2(1, 0)).x, 12.0);
    Affine before(shift);
    before.premultiply(doubled);
    EXPECT_EQ(before.getTransform(Vec2(1, 0)).x, 7.0);

    // An appended operation acts on the point first.
    Affine a;
    a.setRotate(90);
    a.translate(10, 0);
    expectNear(a.getTransform(Vec2(0, 0)), 0, 10);
    Affine b;
    b.setTranslate(3, 0);
    b.rotate(90);
    expectNear(b.getTransform(Vec2(1, 0)), 3, 1);
    Affine c;
    c.setTranslate(3, 0);
    c.scale(2, 5);
    expectNear(c.getTransform(Vec2(1, 1)), 5, 5, 0);
    Affine d;
    d.setTranslate(1, 0);
    d.skewX(45);
    expectNear(d.getTransform(Vec2(0, 1)), 2, 1);
    Affine e;
    e.setScale(2, 2);
    e.skewY(45);
    expectNear(e.getTransform(Vec2(1, 0)), 2, 2);

    // A layer transform: position + R S (p - anchor), scale before rotation.
    Affine layer;
    layer.set(Vec2(10, 0), Vec2(100, 200), Vec2(2, 3), 90);
    expectNear(layer.getTransform(Vec2(11, 0)), 100, 202);
    expectNear(layer.getTransform(Vec2(10, 1)), 97, 200);
    EXPECT_NE(layer.getTransform(Vec2(10, 1)).y, 200.0);  // the 15-digit factor's residue
}

TEST(AffineTest, InverseSingularThresholdAndAverageScale) {
    Affine a;
    a.set(Vec2(12.5, -3), Vec2(640, 360), Vec2(1.5, -0.75), 37.25);
    a.skewX(10);
    Affine inv(false);
    ASSERT_TRUE(a.inverse(inv));
    Affine both(a);
    both.multiply(inv);
    EXPECT_TRUE(both == Affine(true));
    expectNear(inv.getTransform(a.getTransform(Vec2(17.25, -91))), 17.25, -91, 1e-10);

    // Singular below a determinant of 1e-6, strictly; the output is left alone.
    struct Case {
        double sx, sy;
        bool invertible;
    };
    for (const Case& c : {Case{0, 0, false}, Case{0.001, 0.0005, false}, Case{0.001, 0.002, true},
                          Case{1e-6, 1, true}, Case{-1e-6, 0.9999, false}}) {
        Affine m;
        m.setScale(c.sx, c.sy);
        Affine out;
        out.setTranslate(1, 2);
        EXPECT_EQ(m.inverse(out), c.invertible) << c.sx << " " << c.sy;
        if (!c.invertible) {
            EXPECT_EQ(out.m12, 2.0);
            EXPECT_TRUE(m.getInverse() == Affine(true));
        }
    }

    // Rounded to 1e-4 in single precision, half away from zero; rows, not columns.
    struct Scale {
        Affine m;
        double expected;
    };
    Affine rotated;
    rotated.setRotate(30);
    const Scale scales[] = {{Affine(2, 0, 0, 3, 0, 0), 2.5},
                            {rotated, 1.0},
                            {Affine(0.1, 0, 0, 0.1, 0, 0), double(0.1f)},
                            {Affine(1.23456, 0, 0, 1.23456, 0, 0), double(1.2346f)},
                            {Affine(0.00005, 0, 0, 0.00005, 0, 0), double(0.0001f)},
                            {Affine(3, 0, 4, 1, 0, 0), 3.0}};
    for (const Scale& s : scales) EXPECT_EQ(s.m.averageScale(), s.expected) << s.expected;
}

}  // namespace
}  // namespace Corvane::Tessory
