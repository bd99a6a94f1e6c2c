// Degenerate layers: a single pixel, single rows and columns, padded rows, and a layer
// wider than the GL's largest texture. None of them crashes or leaves anything behind,
// and the frame after them is the same as before.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include "GLObserver.h"
#include "ReliabilityFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

class ReliabilityDegenerate : public ReliabilityTest {
  protected:
    void SetUp() override {
        ReliabilityTest::SetUp();
        smallScene(2);
        ASSERT_EQ(frame(48, 32, golden), PF_Err_NONE);
    }
    void expectNextFrameUnchanged(const std::string& what) {
        smallScene(2);
        Host::Layer again(48, 32);
        ASSERT_EQ(frame(48, 32, again), PF_Err_NONE) << what;
        EXPECT_EQ(maxDifference(golden, again), 0) << what;
    }
    /// GL_MAX_TEXTURE_SIZE of the host's context, asked without the binding.
    int maxTextureSize() {
        using GetIntegerv = void (*)(unsigned, int*);
        auto get = reinterpret_cast<GetIntegerv>(eglGetProcAddress("glGetIntegerv"));
        int size = 0;
        if (get && host.makeHostContextCurrent()) get(0x0D33, &size);
        return size;
    }
    Host::Layer golden{48, 32};
};

TEST_F(ReliabilityDegenerate, TinyLayersRenderEveryPixelAndKeepTheirPadding) {
    const int sizes[][3] = {{1, 1, 0},   {1, 9, 0},   {9, 1, 0},  {2, 2, 0},
                            {1, 300, 0}, {300, 1, 0}, {1, 5, 12}, {3, 1, 4}};
    for (const auto& [w, h, padding] : sizes) {
        const std::string what =
            std::to_string(w) + "x" + std::to_string(h) + " padded " + std::to_string(padding);
        for (const int downsample : {1, 3}) {
            effect.setLayerSize(w * downsample, h * downsample);
            effect.setDownsample(1, downsample);
            set("Shape Center", w * downsample / 2.0, h * downsample / 2.0);
            Host::Layer input(w, h, 8, padding), output(w, h, 8, padding);
            fillGradient(input);
            output.fill(kUnwritten);
            EXPECT_EQ(effect.render(input, output), PF_Err_NONE) << what;
            EXPECT_EQ(invalidPixels(output), 0) << what;
            EXPECT_TRUE(output.paddingIntact()) << what;
            EXPECT_TRUE(input.paddingIntact()) << what;
            EXPECT_TRUE(hostContextCurrent()) << what;
            EXPECT_EQ(outstanding(), "") << what;
        }
        effect.setDownsample(1, 1);
        expectNextFrameUnchanged(what);
    }
}

TEST_F(ReliabilityDegenerate, LayerWiderThanTheLargestTextureNeitherCrashesNorLeaks) {
    const int limit = maxTextureSize();
    ASSERT_GT(limit, 0);
    const int objects = GLObserver::total();
    for (const auto& [w, h] :
         {std::pair{limit + 1, 1}, std::pair{1, limit + 1}, std::pair{limit + 7, 2}}) {
        const std::string what = std::to_string(w) + "x" + std::to_string(h);
        effect.setLayerSize(w, h);
        Host::Layer output(1, 1);
        const PF_Err err = frame(w, h, output);
        // The GL refuses the texture; the frame may be empty but the command answers.
        EXPECT_TRUE(err == PF_Err_NONE || err == PF_Err_BAD_CALLBACK_PARAM) << what << ": " << err;
        EXPECT_EQ(invalidPixels(output), 0) << what;
        EXPECT_TRUE(hostContextCurrent()) << what;
        EXPECT_EQ(outstanding(), "") << what;
        expectNextFrameUnchanged(what);
    }
    EXPECT_EQ(GLObserver::total(), objects) << GLObserver::describe();
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
