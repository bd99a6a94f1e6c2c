#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Math/Euler.h"
#include "Math/Mat4.h"
#include "Math/Quaternion.h"

namespace Corvane::Tessory {
namespace {

constexpr Euler::RotationOrder kAllOrders[] = {Euler::XYZ, Euler::YZX, Euler::ZXY,
                                               Euler::XZY, Euler::YXZ, Euler::ZYX};

void expectQuat(const Quaternion& q, double x, double y, double z, double w, double tol = 0) {
    EXPECT_NEAR(q.x, x, tol);
    EXPECT_NEAR(q.y, y, tol);
    EXPECT_NEAR(q.z, z, tol);
    EXPECT_NEAR(q.w, w, tol);
}

// Same rotation: q and -q both count.
void expectSameRotation(const Quaternion& a, const Quaternion& b, double tol) {
    const double sign = a.dot(b) < 0 ? -1.0 : 1.0;
    expectQuat(a, sign * b.x, sign * b.y, sign * b.z, sign * b.w, tol);
}

void expectVec(const Vec3& v, double x, double y, double z, double tol) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

std::string axesOf(Euler::RotationOrder order) {
    switch (order) {
        case Euler::XYZ:
            return "XYZ";
        case Euler::YZX:
            return "YZX";
        case Euler::ZXY:
            return "ZXY";
        case Euler::XZY:
            return "XZY";
        case Euler::YXZ:
            return "YXZ";
        case Euler::ZYX:
            return "ZYX";
    }
    return "";
}

double angleFor(const Euler& e, char axis) {
    return axis == 'X' ? e.x : axis == 'Y' ? e.y : e.z;
}

// R1 R2 R3 in the order the name lists the axes, built from single-axis matrices.
Mat4 matrixOf(const Euler& e) {
    Mat4 m(true);
    for (char axis : axesOf(e.order)) {
        const double a = angleFor(e, axis);
        if (axis == 'X') {
            m.rotateX(a);
        } else if (axis == 'Y') {
            m.rotateY(a);
        } else {
            m.rotateZ(a);
        }
    }
    return m;
}

Quaternion sampleRotation() {
    Quaternion q;
    q.set(Vec3(1, 2, 3), 0.9);
    return q;
}

TEST(QuaternionTest, OppositeDirectionsTurnHalfWay) {
    const Quaternion q(Vec3(1, 0, 0), Vec3(-1, 0, 0));
    expectQuat(q, 0, 1, 0, 0);
    EXPECT_TRUE(std::signbit(q.x));  // -from.y
    const Quaternion r(Vec3(0, 0, 1), Vec3(0, 0, -1));
    expectQuat(r, 0, -1, 0, 0);
    const Quaternion s(Vec3(0, 1, 0), Vec3(0, -1, 0));
    expectQuat(s, 0, 0, 1, 0);
    // Nearly opposite (from . to + 1 below 1e-12) takes the same fallback axis.
    Vec3 to(-1, 1e-7, 0);
    to.normalize();
    ASSERT_GT(Vec3(1, 0, 0).dot(to) + 1, 0.0);
    const Quaternion t(Vec3(1, 0, 0), to);
    expectQuat(t, 0, 1, 0, 0);
}

TEST(QuaternionTest, FromMatrixAllBranches) {
    Mat4 m;
    m.setXRotation(M_PI);
    Quaternion q;
    q.setWithMat4(m);
    expectQuat(q, 1, 0, 0, 0, 1e-15);
    m.setYRotation(M_PI);
    q.setWithMat4(m);
    expectQuat(q, 0, 1, 0, 0, 1e-15);
    m.setZRotation(M_PI);
    q.setWithMat4(m);
    expectQuat(q, 0, 0, 1, 0, 1e-15);
    q.setWithMat4(Mat4(true));
    expectQuat(q, 0, 0, 0, 1);
    // Round trips through the matrix in each branch.
    const Quaternion samples[] = {sampleRotation(), Quaternion(Vec3(1, 0.1, -0.2), 3.0),
                                  Quaternion(Vec3(0.1, -1, 0.2), 3.0),
                                  Quaternion(Vec3(-0.2, 0.1, 1), 3.0)};
    for (Quaternion s : samples) {
        s.normalize();
        m.setWithQuaternion(s);
        q.setWithMat4(m);
        expectSameRotation(q, s, 1e-14);
    }
}

// Angles given by their place in the order's product: first, middle, last factor. The
// middle one comes back from asin, so it stays inside +-pi/2; the others may use +-pi.
Euler byPlace(Euler::RotationOrder order, double first, double middle, double last) {
    Euler e(0, 0, 0, order);
    const double byIndex[3] = {first, middle, last};
    const std::string axes = axesOf(order);
    for (int i = 0; i < 3; ++i) {
        (axes[i] == 'X' ? e.x : axes[i] == 'Y' ? e.y : e.z) = byIndex[i];
    }
    return e;
}

TEST(EulerTest, MatrixRoundTripForEveryOrder) {
    for (Euler::RotationOrder order : kAllOrders) {
        SCOPED_TRACE(axesOf(order));
        const Euler e = byPlace(order, 0.4, -0.9, 2.5);
        Euler back;
        back.setWithMat4(matrixOf(e), order);
        EXPECT_NEAR(back.x, e.x, 1e-12);
        EXPECT_NEAR(back.y, e.y, 1e-12);
        EXPECT_NEAR(back.z, e.z, 1e-12);
    }
}

// XYZ reads its middle angle from m[8]; the regular x is pi/4, the degenerate one 0.
Mat4 withMiddleElement(double value) {
    Mat4 m(true);
    m.m[8] = value;
    m.m[9] = -0.5;
    m.m[10] = 0.5;
    return m;
}

TEST(EulerTest, LockThresholdIsSinglePrecisionAndStrict) {
    Euler e;
    e.setWithMat4(withMiddleElement(0.999998), Euler::XYZ);
    EXPECT_DOUBLE_EQ(e.x, M_PI / 4);
    // Above the float 0.999999 (0.99999898672...) but below the double 0.999999.
    e.setWithMat4(withMiddleElement(0.99999899), Euler::XYZ);
    EXPECT_EQ(e.x, 0.0);
    e.setWithMat4(withMiddleElement(static_cast<double>(0.999999f)), Euler::XYZ);
    EXPECT_EQ(e.x, 0.0);
    e.setWithMat4(withMiddleElement(-0.99999899), Euler::XYZ);
    EXPECT_EQ(e.x, 0.0);
    // Out of range elements are clamped for asin.
    e.setWithMat4(withMiddleElement(1.5), Euler::XYZ);
    EXPECT_DOUBLE_EQ(e.y, M_PI / 2);
    e.setWithMat4(withMiddleElement(-1.5), Euler::XYZ);
    EXPECT_DOUBLE_EQ(e.y, -M_PI / 2);
    e.setWithMat4(withMiddleElement(std::numeric_limits<double>::quiet_NaN()), Euler::XYZ);
    EXPECT_TRUE(std::isnan(e.y));
    EXPECT_EQ(e.x, 0.0);
}

TEST(Mat4ComposeTest, DecomposeRoundTrip) {
    const Quaternion q = sampleRotation();
    const Vec3 scales[] = {Vec3(2, 0.5, 3), Vec3(-2, 3, 4), Vec3(1, 1, 1)};
    for (const Vec3& s : scales) {
        Mat4 m;
        m.compose(Vec3(10, -20, 30), q, s);
        Vec3 position;
        Quaternion back;
        Vec3 scale;
        m.decompose(position, back, scale);
        expectVec(position, 10, -20, 30, 0);
        expectVec(scale, s.x, s.y, s.z, 1e-14);
        expectSameRotation(back, q, 1e-14);
    }
}

TEST(Mat4ComposeTest, DecomposeFlatAxis) {
    Mat4 m;
    m.setScale(0, 2, 3);
    Vec3 position;
    Quaternion q;
    Vec3 scale;
    m.decompose(position, q, scale);
    EXPECT_EQ(scale.x, 1e-6);
    EXPECT_EQ(scale.y, 2.0);
    EXPECT_EQ(scale.z, 3.0);
}

}  // namespace
}  // namespace Corvane::Tessory
