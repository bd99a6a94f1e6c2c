// The shape bodies' distances: the reference against the numbers the shapes are defined
// by, then the GPU against the reference, read back through a wide shadow band whose
// opacity follows the distance closely.
#include <gtest/gtest.h>

#include <algorithm>
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

class DistanceTest : public EffectTest {
  protected:
    // A transparent layer, no background: only the band remains, opaque white, and its
    // opacity is (1 - smoothstep(0, 16, 1 - d))^2 for the signed distance d < 1.
    void checkField(int shape, double size1, double size2) {
        constexpr float kBand = 16;
        for (int fill : {1, 2}) {
            SCOPED_TRACE("shape " + std::to_string(shape) + " fill " + std::to_string(fill));
            EffectSettings s;
            s.shapeType = shape;
            s.size1 = size1;
            s.size2 = size2;
            s.centerX = kCx;
            s.centerY = kCy;
            s.rotation = 0;
            s.fillType = fill;
            s.transparentBackground = true;
            s.edgeType = 1;
            s.shadowSize = kBand;
            s.shadowColor = PF_Pixel{255, 255, 255, 255};
            s.shadowOpacity = 100;
            s.instances = 1;
            apply(s);
            Host::Layer input(64, 48), output(64, 48);
            input.fill(PF_Pixel{0, 0, 0, 0});
            ASSERT_EQ(render(input, output), PF_Err_NONE);
            const float sign = fill == 1 ? 1.0f : -1.0f;
            int checked = 0, worst = 0, informative = 0;
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const float d = sign * shapeDistance(shape, x + 0.5f, y + 0.5f, kCx, kCy,
                                                         float(size1), float(size2));
                    if (std::fabs(d - 1.0f) < 0.5f) continue;  // the band's step
                    float edge = 0;
                    if (d < 1.0f) {
                        const float t = std::clamp((1.0f - d) / kBand, 0.0f, 1.0f);
                        edge = 1.0f - t * t * (3.0f - 2.0f * t);
                    }
                    const int expected = int(std::lround(edge * edge * 255.0f));
                    const int diff = std::abs(expected - output.pixel8(x, y).alpha);
                    worst = std::max(worst, diff);
                    ++checked;
                    if (expected > 10 && expected < 245) ++informative;
                }
            }
            EXPECT_LE(worst, 2);
            EXPECT_GT(informative, 200) << "too few pixels inside the band to read distances";
            std::cout << "[ distance ] shape " << shape << " fill " << fill << ": " << checked
                      << " pixels, " << informative << " inside the band, largest difference "
                      << worst << "/255" << std::endl;
        }
    }
};

TEST_F(DistanceTest, Circle) {
    checkField(1, 10, 0);
}
TEST_F(DistanceTest, Rectangle) {
    checkField(5, 20, 10);
}
TEST_F(DistanceTest, Triangle) {
    checkField(4, 10, 0);
}
TEST_F(DistanceTest, Ring) {
    checkField(2, 20, 10);
}
TEST_F(DistanceTest, Cross) {
    checkField(3, 40, 15);
}
TEST_F(DistanceTest, OtherBodies) {
    checkField(6, 12, 0);
    checkField(7, 12, 0);
    checkField(8, 36, 8);
    checkField(9, 9, 0);
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
