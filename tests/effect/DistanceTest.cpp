// The reference's shape bodies against the numbers the shapes are defined by: the pixel
// tests measure both renderers against these bodies.
#include <gtest/gtest.h>

#include <cmath>

#include "EffectFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

constexpr float kCx = 32, kCy = 24;

float at(int shape, float dx, float dy, float s1, float s2) {
    return shapeDistance(shape, kCx + dx, kCy + dy, kCx, kCy, s1, s2);
}

TEST(ShapeDistance, DefiningNumbers) {
    // Circle of radius 10.
    EXPECT_NEAR(at(1, 0, 0, 10, 0), -10, 1e-4);
    EXPECT_NEAR(at(1, 10, 0, 10, 0), 0, 1e-4);
    EXPECT_NEAR(at(1, 0, -13, 10, 0), 3, 1e-4);
    // Rectangle of half extent 20 x 10: nearer long side, side, corner.
    EXPECT_NEAR(at(5, 0, 0, 20, 10), -10, 1e-4);
    EXPECT_NEAR(at(5, 25, 0, 20, 10), 5, 1e-4);
    EXPECT_NEAR(at(5, 23, 14, 20, 10), 5, 1e-4);
    // Triangle of inradius 10: a side faces +y, a corner -y.
    EXPECT_NEAR(at(4, 0, 10, 10, 0), 0, 1e-4);
    EXPECT_NEAR(at(4, 0, -10, 10, 0), -5, 1e-4);
    EXPECT_NEAR(at(4, 0, -20, 10, 0), 0, 1e-4);
    // Ring between radii 10 and 20.
    EXPECT_NEAR(at(2, 15, 0, 20, 10), -5, 1e-4);
    EXPECT_NEAR(at(2, 0, 0, 20, 10), 10, 1e-4);
    EXPECT_NEAR(at(2, 0, 25, 20, 10), 5, 1e-4);
    // Cross 40 with inset 15: arms 10 wide reaching 20 along the diagonals.
    const float d = std::sqrt(0.5f);
    EXPECT_NEAR(at(3, 20 * d, 20 * d, 40, 15), 0, 1e-4);
    EXPECT_NEAR(at(3, -20 * d, 20 * d, 40, 15), 0, 1e-4);
    EXPECT_NEAR(at(3, 10 * d + 5 * d, 10 * d - 5 * d, 40, 15), 0, 1e-4);  // an arm's side
    EXPECT_LT(at(3, 10 * d, 10 * d, 40, 15), 0);
    EXPECT_GT(at(3, 10, 0, 40, 15), 0);  // between the arms
    // Hexagon: sides face +-x; octagon: corners on the axes.
    EXPECT_NEAR(at(6, 10, 0, 10, 0), 0, 1e-4);
    EXPECT_NEAR(at(6, 0, 10, 10, 0), 10 * std::cos(0.5235988f) - 10, 1e-3);
    EXPECT_NEAR(at(7, 10, 0, 10, 0), 10 * std::cos(0.3926991f) - 10, 1e-3);
    EXPECT_NEAR(at(7, 10 * d, 10 * d, 10, 0), 10 * std::cos(0.3926991f) - 10, 1e-3);
    // T shape 40, inset 10: bar across +y, stem along y.
    EXPECT_LT(at(8, 15, 15, 40, 10), 0);
    EXPECT_GT(at(8, 15, -15, 40, 10), 0);
    EXPECT_LT(at(8, 0, -15, 40, 10), 0);
    // Chevron 10: points to +x, notch on -x.
    EXPECT_LT(at(9, 10, 0, 10, 0), 0.001f);
    EXPECT_GT(at(9, -5, 0, 10, 0), 0);
    EXPECT_LT(at(9, 0, 9, 10, 0), 0);
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
