// What the effect hands the GPU: program builds across frames and the values uploaded for
// a frame's settings, watched through the GL binding.
#include <gtest/gtest.h>

#include <cmath>

#include "EffectFixture.h"
#include "GLObserver.h"

namespace Corvane::Tessory::Testing {
namespace {

class ProgramTest : public EffectTest {
  protected:
    PF_Err frame(int width = 32, int height = 24) {
        Host::Layer input(width, height), output(width, height);
        fillGradient(input);
        return render(input, output);
    }
    std::map<std::string, std::vector<float>> uploadsOfOneFrame() {
        GLObserver::clear();
        EXPECT_EQ(frame(), PF_Err_NONE);
        return GLObserver::uniforms();
    }
    static int persistentObjectsMade() {
        return GLObserver::count("glCreateProgram") + GLObserver::count("glCreateShader") +
               GLObserver::count("glGenVertexArrays") + GLObserver::count("glGenBuffers") +
               GLObserver::count("glGenFramebuffers");
    }
};

TEST_F(ProgramTest, SameSettingsMakeNoNewProgramOrObjects) {
    GLObserver::clear();
    ASSERT_EQ(frame(), PF_Err_NONE);
    // The observer must see the effect's calls, or everything below would pass vacuously.
    ASSERT_EQ(GLObserver::count("glCreateProgram"), 2) << "compositing and output programs";
    ASSERT_GT(GLObserver::count("glDrawArrays"), 0);
    GLObserver::clear();
    ASSERT_EQ(frame(), PF_Err_NONE);
    EXPECT_EQ(persistentObjectsMade(), 0);
    EXPECT_EQ(GLObserver::count("glDeleteProgram"), 0);
    EXPECT_EQ(GLObserver::count("glDrawArrays"), 2);  // compositing and output pass
}

TEST_F(ProgramTest, ShapeChangeBuildsExactlyOneProgram) {
    ASSERT_EQ(frame(), PF_Err_NONE);
    set("Shape Type", 3);
    GLObserver::clear();
    ASSERT_EQ(frame(), PF_Err_NONE);
    EXPECT_EQ(GLObserver::count("glCreateProgram"), 1);
    EXPECT_EQ(GLObserver::count("glLinkProgram"), 1);
    EXPECT_EQ(GLObserver::count("glDeleteProgram"), 1);
    EXPECT_EQ(GLObserver::count("glGenVertexArrays"), 0) << "the quad is reused";
    set("Shape Type", 1);
    GLObserver::clear();
    ASSERT_EQ(frame(), PF_Err_NONE);
    EXPECT_EQ(GLObserver::count("glCreateProgram"), 1);
    GLObserver::clear();
    ASSERT_EQ(frame(), PF_Err_NONE);
    EXPECT_EQ(GLObserver::count("glCreateProgram"), 0);
}

TEST_F(ProgramTest, UnknownShapePrintsTheLinkErrorAndStillAnswers) {
    set("Shape Type", 12);
    ::testing::internal::CaptureStdout();
    const PF_Err err = frame();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_NE(out.find("Program error:\n"), std::string::npos) << out;
    EXPECT_NE(out.find("shapeFunc"), std::string::npos) << out;
    EXPECT_TRUE(hostContextCurrent());
    // A known shape afterwards renders again.
    set("Shape Type", 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(frame(), PF_Err_NONE);
    EXPECT_EQ(::testing::internal::GetCapturedStdout().find("error"), std::string::npos);
}

TEST_F(ProgramTest, PointAngleColourAndPercentConversions) {
    set("Shape Center", -0.5, 7.75);  // -32768 in 16.16: the integer part is -1
    set("Shape Rotation", 45);
    set("Shadow Color", 255, 255, 0, 128);
    set("Shadow Opacity", 40);
    set("Fill Type", 2);
    set("Transparent Background", 1);
    set("Instances", 1);
    const auto u = uploadsOfOneFrame();
    EXPECT_FLOAT_EQ(u.at("center")[0], -1.0f);
    EXPECT_FLOAT_EQ(u.at("center")[1], 7.0f);
    const auto& r = u.at("shapeTransform");
    ASSERT_EQ(r.size(), 9u);
    EXPECT_NEAR(r[0], std::cos(0.785398163f), 1e-6);
    EXPECT_NEAR(r[1], std::sin(0.785398163f), 1e-6);  // column-major: m10
    EXPECT_NEAR(r[3], -std::sin(0.785398163f), 1e-6);
    EXPECT_FLOAT_EQ(r[8], 1.0f);
    const auto& c = u.at("shadowColor");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_FLOAT_EQ(c[0], 1.0f);
    EXPECT_FLOAT_EQ(c[1], 0.0f);
    EXPECT_NEAR(c[2], 128.0 / 255.0, 1e-6);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
    EXPECT_NEAR(u.at("shadowAlpha")[0], 0.4f, 1e-7);
    EXPECT_FLOAT_EQ(u.at("alphaFactor")[0], -1.0f);
    EXPECT_FLOAT_EQ(u.at("bgAlpha")[0], 0.0f);
    EXPECT_FLOAT_EQ(u.at("drawShadow")[0], 1.0f);
    // One instance: one identity.
    const std::vector<float> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(u.at("transforms"), identity);
}

TEST_F(ProgramTest, FrameSizeChangeRemakesOnlyTheFramebuffers) {
    ASSERT_EQ(frame(32, 24), PF_Err_NONE);
    GLObserver::clear();
    ASSERT_EQ(frame(40, 20), PF_Err_NONE);
    EXPECT_GT(GLObserver::count("glGenFramebuffers"), 0);
    EXPECT_EQ(GLObserver::count("glCreateProgram"), 0);
    EXPECT_EQ(GLObserver::count("glGenVertexArrays"), 0);
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
