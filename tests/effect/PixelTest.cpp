// Frames rendered by the effect, on GL and on its CPU renderer, against the reference of
// the compositing, and the two renderers against each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "EffectFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

using Renderer = Host::HostApp::Renderer;

// Every pixel test runs once with the host offering GL and once offering no GPU.
class PixelTest : public EffectTest, public ::testing::WithParamInterface<Renderer> {
  protected:
    void SetUp() override {
        host.setRenderer(GetParam());
        EffectTest::SetUp();
    }
};

// Every body, the chevron through a stored value the menu does not offer, in both fill
// modes, with a shadow and with a stroke, three echoes moved, scaled and turned.
TEST_P(PixelTest, EveryShapeBothFillsShadowAndStroke) {
    for (int shape = 1; shape <= 9; ++shape) {
        for (int fill : {1, 2}) {
            for (int edge : {1, 2}) {
                SCOPED_TRACE("shape " + std::to_string(shape) + " fill " + std::to_string(fill) +
                             " edge " + std::to_string(edge));
                EffectSettings s = smallFrame(shape);
                s.fillType = fill;
                s.edgeType = edge;
                renderAndCompare(s, 64, 48);
            }
        }
    }
}

TEST_P(PixelTest, TransparentBackgroundKeepsOnlyTheInstances) {
    EffectSettings s = smallFrame(5);
    s.fillType = 2;
    s.transparentBackground = true;
    s.shadowColor = PF_Pixel{255, 0, 0, 0};
    renderAndCompare(s, 64, 48);

    // Far from every instance and band nothing is left.
    apply(s);
    Host::Layer input(64, 48), output(64, 48);
    fillGradient(input);
    ASSERT_EQ(effect.render(input, output), PF_Err_NONE);
    EXPECT_EQ(output.pixel8(63, 0).alpha, 0);
    EXPECT_EQ(output.pixel8(63, 47).alpha, 0);
    // The top instance's inside shows the layer itself, opaque.
    EXPECT_EQ(output.pixel8(30, 22).alpha, 255);
    EXPECT_NEAR(output.pixel8(30, 22).red, input.pixel8(30, 22).red, 2);
}

// Each echo offset alone, so that a wrong sign or scale of one of them shows by itself.
TEST_P(PixelTest, EchoOffsetsOneAtATime) {
    struct Case {
        const char* name;
        int shape;
        double size1, size2, x, y, scaleX, scaleY, rotation, opacity;
    };
    const Case cases[] = {
        {"size", 1, -3, 0, 0, 0, 0, 0, 0, 0},     {"size 2", 2, 0, 2, 0, 0, 0, 0, 0, 0},
        {"position", 1, 0, 0, 11, 6, 0, 0, 0, 0}, {"scale", 1, 0, 0, 0, 0, 25, -15, 0, 0},
        {"rotation", 5, 0, 0, 0, 0, 0, 0, 30, 0}, {"opacity", 1, 0, 0, 12, 0, 0, 0, 0, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EffectSettings s = smallFrame(c.shape);
        s.instances = 4;
        s.size1 = 10;
        s.rotation = 0;
        s.size1Offset = c.size1;
        s.size2Offset = c.size2;
        s.positionXOffset = c.x;
        s.positionYOffset = c.y;
        s.scaleXOffset = c.scaleX;
        s.scaleYOffset = c.scaleY;
        s.rotationOffset = c.rotation;
        s.opacityOffset = c.opacity;
        renderAndCompare(s, 64, 48);
    }
}

// One instance that draws nothing over translucent input, background off: the colour
// comes back through the 8-bit premultiplied target, rounded to nearest both ways (70 at
// alpha 7 is stored as 2, and 2 / 7 of 255 is 72.86).
TEST_P(PixelTest, TranslucentColourComesBackThroughThe8BitTarget) {
    EffectSettings s;
    s.transparentBackground = true;
    s.size1 = 0;
    s.shadowOpacity = 0;
    s.instances = 1;
    apply(s);
    Host::Layer input(16, 8), output(16, 8);
    input.fill(PF_Pixel{7, 70, 70, 70});
    ASSERT_EQ(effect.render(input, output), PF_Err_NONE);
    const PF_Pixel p = output.pixel8(5, 3);
    EXPECT_EQ(p.alpha, 7);
    EXPECT_EQ(p.red, 73);
    EXPECT_EQ(p.blue, 73);
}

// Half resolution: sizes and offsets are divided by two, the centre comes downsampled.
TEST_P(PixelTest, DownsampledFrame) {
    EffectSettings s = smallFrame(4);
    s.size1 = 27;
    s.centerX = 60;
    s.centerY = 44;
    s.positionXOffset = 18;
    s.shadowSize = 12;
    renderAndCompare(s, 64, 48, 0, 1, 2);
}

TEST_P(PixelTest, PaddedRowsAndOddSizes) {
    renderAndCompare(smallFrame(6), 64, 48, 12);
    EffectSettings s = smallFrame(8);
    s.centerX = 18;
    s.centerY = 11;
    s.size1 = 16;
    s.size2 = 4;
    renderAndCompare(s, 37, 23);
    renderAndCompare(s, 37, 23, 20);
}

// Mirror addressing: an instance moved half a frame to the right shows the left half of
// the layer there, and the mirror image of that half on the left.
TEST_P(PixelTest, InstanceBeyondTheFrameSamplesAMirror) {
    EffectSettings s = smallFrame(5);
    // Instance 0 is an empty box; instance 1's box covers the frame and shows the layer.
    s.size1 = s.size2 = s.rotation = s.shadowSize = 0;
    s.size1Offset = s.size2Offset = 200;
    s.fillType = 2;
    s.transparentBackground = true;
    s.instances = 2;
    s.positionXOffset = -32;
    s.positionYOffset = s.scaleXOffset = s.scaleYOffset = s.rotationOffset = 0;
    renderAndCompare(s, 64, 48);
    Host::Layer input(64, 48), output(64, 48);
    fillGradient(input);
    ASSERT_EQ(effect.render(input, output), PF_Err_NONE);
    for (int y : {3, 30}) {
        for (int x : {0, 10, 31, 32, 40, 63}) {
            const int source = x >= 32 ? x - 32 : 31 - x;
            SCOPED_TRACE("pixel " + std::to_string(x) + ", " + std::to_string(y));
            EXPECT_EQ(output.pixel8(x, y).alpha, 255);
            EXPECT_NEAR(output.pixel8(x, y).red, input.pixel8(source, y).red, 1);
            EXPECT_NEAR(output.pixel8(x, y).blue, input.pixel8(source, y).blue, 1);
        }
    }
}

// A band of size 0 is no band at all, at full opacity too.
TEST_P(PixelTest, ZeroBandSizeDrawsNoBand) {
    for (int edge : {1, 2}) {
        SCOPED_TRACE(edge);
        EffectSettings s = smallFrame(1);
        s.edgeType = edge;
        s.shadowSize = s.strokeSize = 0;
        s.shadowOpacity = s.strokeOpacity = 100;
        renderAndCompare(s, 64, 48);
    }
}

INSTANTIATE_TEST_SUITE_P(Renderers, PixelTest, ::testing::Values(Renderer::GL, Renderer::CPU),
                         [](const auto& info) {
                             return info.param == Renderer::GL ? "GL" : "CPU";
                         });

// The same frame from both renderers: at least 99.9 % of pixels within 2/255. The CPU
// renderer runs once per kernel build: AVX-512, AVX2 and the portable one (a build the
// processor lacks is replaced by the widest it has).
class RendererAgreement : public EffectTest {
  protected:
    void expectAgreement(const EffectSettings& s, int width, int height, uint8_t alpha = 255,
                         A_u_long den = 1, int padding = 0) {
        apply(s);
        effect.setDownsample(1, den);
        Host::Layer input(width, height, 8, padding), gl(width, height, 8, padding);
        fillGradient(input, alpha);
        // Texel-sized detail, so that a sampling weight off by a step shows.
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if ((x / 2 + y / 3) % 2) input.pixel8(x, y).green ^= 0x70;
            }
        }
        host.setRenderer(Renderer::GL);
        ASSERT_EQ(effect.render(input, gl), PF_Err_NONE);
        host.setRenderer(Renderer::CPU);
        for (const char* kernel : {"avx512", "avx2", "portable"}) {
            setenv("TESSORY_CPU_KERNEL", kernel, 1);
            Host::Layer cpu(width, height, 8, padding);
            ASSERT_EQ(effect.render(input, cpu), PF_Err_NONE);
            unsetenv("TESSORY_CPU_KERNEL");
            int off = 0, worst = 0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const PF_Pixel &a = gl.pixel8(x, y), &b = cpu.pixel8(x, y);
                    const int d =
                        std::max({std::abs(a.alpha - b.alpha), std::abs(a.red - b.red),
                                  std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
                    worst = std::max(worst, d);
                    off += d > 2;
                }
            }
            std::cout << "[ agreement ] shape " << s.shapeType << " instances " << s.instances
                      << " kernel " << kernel << ": " << off << " of " << width * height
                      << " pixels beyond 2/255, largest " << worst << std::endl;
            EXPECT_LE(off * 1000, width * height) << kernel << ": more than 0.1 % beyond 2/255";
            EXPECT_TRUE(cpu.paddingIntact()) << kernel;
        }
    }
};

TEST_F(RendererAgreement, EveryShapeFillAndEdgeAtOneFiveAndTwentyInstances) {
    for (int shape = 1; shape <= 9; ++shape) {
        for (int instances : {1, 5, 20}) {
            EffectSettings s = smallFrame(shape);
            s.size1 = 40;
            s.size2 = 12;
            s.centerX = 100;
            s.centerY = 60;
            s.shadowSize = 15;
            s.instances = instances;
            s.positionXOffset = 37;  // the last instances lie far outside the frame
            s.positionYOffset = -21;
            s.scaleXOffset = 4;
            s.scaleYOffset = -3;
            s.opacityOffset = 3;
            s.rotationOffset = shape % 3 == 0 ? 23 : 0;  // rotated and axis-aligned sampling
            s.fillType = 1 + (shape + instances) % 2;
            s.edgeType = 1 + shape % 2;
            SCOPED_TRACE("shape " + std::to_string(shape) + ", " + std::to_string(instances));
            expectAgreement(s, 201, 121);
        }
    }
}

TEST_F(RendererAgreement, TranslucentInputDownsampledPaddedAndZeroBands) {
    EffectSettings s = smallFrame(2);
    s.fillType = 1;
    s.instances = 20;
    s.transparentBackground = true;
    expectAgreement(s, 64, 48, 128);
    s.shadowSize = 0;
    s.strokeSize = 0;
    expectAgreement(s, 64, 48, 255, 2);
    s.edgeType = 2;
    expectAgreement(s, 37, 23, 60, 1, 12);
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
