// Vectors and colours: the rounding and degenerate-input rules callers rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Math/Color.h"
#include "Math/Vec2.h"

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
    // The zero vector normalises to (1, 0).
    Vec2 zero;
    zero.setLength(5);
    EXPECT_EQ(zero.x, 5.0);
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
