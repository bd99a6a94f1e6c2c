#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "Math/Color.h"

namespace Corvane::Tessory {
namespace {

// A byte turned into a component the way colours are read: a float quotient, widened.
double byteValue(int byte) {
    return static_cast<double>(static_cast<float>(byte) / 255.0f);
}
double nibbleValue(int nibble) {
    return static_cast<double>(static_cast<float>(nibble) / 15.0f);
}

void expectColor(const Color& c, double r, double g, double b, double a) {
    EXPECT_EQ(c.r(), r);
    EXPECT_EQ(c.g(), g);
    EXPECT_EQ(c.b(), b);
    EXPECT_EQ(c.a(), a);
}

TEST(ColorTest, ShortHexForms) {
    expectColor(Color(std::string("#F00")), 1, 0, 0, 1);
    expectColor(Color(std::string("#8F00")), 1, 0, 0, nibbleValue(8));
    expectColor(Color(std::string("#123")), nibbleValue(1), nibbleValue(2), nibbleValue(3), 1);
    EXPECT_NE(Color(std::string("#100")).r(), 1.0 / 15.0);
}

TEST(ColorTest, LongHexFormsPutAlphaFirst) {
    expectColor(Color(std::string("#FF000080")), 0, 0, byteValue(128), 1);
    expectColor(Color(std::string("#00FF00")), 0, 1, 0, 1);
    expectColor(Color(std::string("#80ff8000")), 1, byteValue(128), 0, byteValue(128));
    expectColor(Color(std::string("#102030")), byteValue(16), byteValue(32), byteValue(48), 1);
}

TEST(ColorTest, RejectedTextsStayWhite) {
    expectColor(Color(std::string("FF0000")), 1, 1, 1, 1);
    expectColor(Color(std::string(" #FF0000")), 1, 1, 1, 1);
    expectColor(Color(std::string("#FFFFF")), 1, 1, 1, 1);
    expectColor(Color(std::string("#1234567")), 1, 1, 1, 1);
    expectColor(Color(std::string("#12")), 1, 1, 1, 1);
    expectColor(Color(std::string("")), 1, 1, 1, 1);
}

TEST(ColorTest, LerpClampsAndRoundsTheFromWeight) {
    const Color from(0.2, 0.4, 0.6, 0.8);
    const Color to(1, 0, 0.5, 1);
    expectColor(Color::lerp(from, to, 2), 1, 0, 0.5, 1);
    expectColor(Color::lerp(from, to, -1), 0.2, 0.4, 0.6, 0.8);
    const Color mid = Color::lerp(Color(1, 1, 1, 1), Color(0, 0, 0, 0), 0.1);
    EXPECT_EQ(mid.r(), static_cast<double>(0.9f));
    EXPECT_NE(mid.r(), 0.9);
    const Color half = Color::lerp(from, to, 0.5);
    EXPECT_EQ(half.r(), 1 * 0.5 + 0.2 * 0.5);
    EXPECT_EQ(half.a(), 1 * 0.5 + 0.8 * 0.5);
}

}  // namespace
}  // namespace Corvane::Tessory
