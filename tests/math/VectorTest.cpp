// Vectors and colours: the rounding and degenerate-input rules callers rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Math/Color.h"
#include "Math/Vec4.h"

namespace Corvane::Tessory {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Vec2Test, ToleranceAndRotation) {
    // 3-4-5 triangle: the squared distance equals tol squared, which is not "within".
    EXPECT_FALSE(Vec2::equalWithTolerance(0, 0, 3, 4, 5));
    EXPECT_TRUE(Vec2::equalWithTolerance(Vec2(0, 0), Vec2(3, 4), 5.0001));
    EXPECT_TRUE(Vec2::isDuplicate(Vec2(1, 1), Vec2(1.2499, 0.7501)));
    EXPECT_FALSE(Vec2::isDuplicate(Vec2(1, 1), Vec2(1.25, 1)));
    // 90 * 0.017453292519943 falls about 2.65e-14 short of pi/2.
    Vec2 v(1, 0);
    v.rotate(90);
    EXPECT_EQ(v.x, std::cos(90 * 0.017453292519943));
    EXPECT_NEAR(v.x, 2.65e-14, 1e-15);
    EXPECT_EQ(kRadToDeg, 57.29577951308232);
    // A zero angle leaves the value untouched: the formula would turn inf * sin(0) into NaN.
    Vec2 w(kInf, 3);
    w.rotate(0);
    w.rotateAround(0, Vec2(1, 1));
    EXPECT_EQ(w.rotateRound(0, Vec2(1, 1)).y, 3.0);
    EXPECT_EQ(w.x, kInf);
}

TEST(Vec2Test, Intersections) {
    struct Case {
        Vec2 p3, p4;
        int code;
        double x, t;
    };
    const Case cases[] = {
        {{2, -1}, {2, 1}, Vec2::kOutsideFirst, 2, 2},
        {{0.5, 1}, {0.5, 2}, Vec2::kOutsideSecond, 0.5, 0.5},
        {{2, 1}, {2, 2}, Vec2::kOutsideBoth, 2, 2},
        {{1, 0}, {1, 1}, Vec2::kCrossing, 1, 1},  // ends count as on the segments
        {{0, 1}, {1, 1}, Vec2::kParallel, 0, 42},
        {{0, 0}, {0.5, 0}, Vec2::kCoincident, 0.5, 42},  // the midpoint; t untouched
    };
    for (const Case& c : cases) {
        Vec2 out(9, 9);
        double t = 42;
        EXPECT_EQ(Vec2::intersect(Vec2(0, 0), Vec2(1, 0), c.p3, c.p4, out, &t, nullptr), c.code);
        EXPECT_EQ(out.x, c.x) << c.code;
        EXPECT_EQ(t, c.t) << c.code;
    }
}

template <typename V>
void expectZeroVectorRule() {
    V v{};
    v.normalize();
    EXPECT_EQ(v.x, 1.0);
    V w{};
    w.setLength(5);
    EXPECT_EQ(w.x, 5.0);
    EXPECT_EQ(w.y, 0.0);
}

TEST(Vec3Test, ZeroVectorsLargestComponentAndAngles) {
    expectZeroVectorRule<Vec2>();
    expectZeroVectorRule<Vec3>();
    const std::pair<Vec3, int> largest[] = {
        {{1, -1, 0}, 1}, {{2, 0, -2}, 2}, {{0, 0, 0}, 2}, {{-3, 1, 2}, 0}, {{0, -3, 2}, 1}};
    for (const auto& [v, index] : largest) EXPECT_EQ(v.largestAbsComponent(), index);
    // The cosine is not clamped: rounding pushes this pair's above 1.
    EXPECT_TRUE(std::isnan(Vec3().angleBetween(Vec3(1, 0, 0))));
    Vec3 n(1, 1, 1);
    n.normalize();
    EXPECT_TRUE(std::isnan(n.angleBetween(n)));
    EXPECT_EQ(cyclicDifference(350, 10, 360), -20.0);
    EXPECT_EQ(cyclicDifference(180, 0, 360), 180.0);
    EXPECT_EQ(cyclicDifference(181, 0, 360), -179.0);
    EXPECT_EQ(cyclicDifference(800, 0, 360), 440.0);
}

// The spherical branch: angle and weights in single precision.
Vec4 singlePrecisionSlerp(const Vec4& a, const Vec4& b, double t) {
    const float theta = std::acos(static_cast<float>(a.dot(b) / (a.length() * b.length())));
    const float r = 1.0f / std::sin(theta);
    Vec4 result = a * (static_cast<double>(std::sin(static_cast<float>((1.0 - t) * theta))) * r) +
                  b * (static_cast<double>(std::sin(static_cast<float>(theta * t))) * r);
    result.normalize();
    return result;
}

TEST(Vec4Test, LerpIsSphericalInSinglePrecisionTheShortWay) {
    // 0.99000000012: 1 - c lies between the float 0.01 and the double 0.01, so the float
    // bound puts it outside the linear band.
    const Vec4 a(1, 0, 0, 0);
    for (const double c : {0.0, 0.99000000012}) {
        const Vec4 b(c, std::sqrt(1 - c * c), 0, 0);
        const Vec4 r = Vec4::lerp(a, b, 0.3);
        const Vec4 expected = singlePrecisionSlerp(a, b, 0.3);
        EXPECT_EQ(r.x, expected.x) << c;
        EXPECT_EQ(r.y, expected.y) << c;
    }
    const Vec4 b(-1, 0.5, 0, 0);
    const Vec4 r = Vec4::lerp(a, b, 0.4);
    EXPECT_EQ(r.y, Vec4::lerp(a, b.negate(), 0.4).y);
    EXPECT_LT(r.y, 0.0);
}

// A byte read into a component: a float quotient, widened.
double byteValue(int byte) {
    return static_cast<double>(static_cast<float>(byte) / 255.0f);
}

TEST(ColorTest, HexFormsAndLerp) {
    const double nibble8 = static_cast<double>(8.0f / 15.0f);
    struct Case {
        const char* text;
        double r, g, b, a;
    };
    const Case cases[] = {
        {"#F00", 1, 0, 0, 1},
        {"#8F00", 1, 0, 0, nibble8},
        {"#FF000080", 0, 0, byteValue(128), 1},  // alpha first
        {"#80ff8000", 1, byteValue(128), 0, byteValue(128)},
        {"#102030", byteValue(16), byteValue(32), byteValue(48), 1},
        {"FF0000", 1, 1, 1, 1},  // rejected texts stay white
        {" #FF0000", 1, 1, 1, 1},
        {"#FFFFF", 1, 1, 1, 1},
        {"#1234567", 1, 1, 1, 1},
        {"", 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        const Color color{std::string(c.text)};
        EXPECT_EQ(color.r(), c.r) << c.text;
        EXPECT_EQ(color.g(), c.g) << c.text;
        EXPECT_EQ(color.b(), c.b) << c.text;
        EXPECT_EQ(color.a(), c.a) << c.text;
    }
    const Color from(0.2, 0.4, 0.6, 0.8);
    const Color to(1, 0, 0.5, 1);
    EXPECT_EQ(Color::lerp(from, to, 2).r(), 1.0);
    EXPECT_EQ(Color::lerp(from, to, -1).a(), 0.8);
    EXPECT_EQ(Color::lerp(Color(1, 1, 1, 1), Color(0, 0, 0, 0), 0.1).r(), double(0.9f));
    EXPECT_EQ(Color::lerp(from, to, 0.5).a(), 1 * 0.5 + 0.8 * 0.5);
}

}  // namespace
}  // namespace Corvane::Tessory
