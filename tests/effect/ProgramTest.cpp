// What the effect asks of the GPU across frames: programs and objects made once and kept,
// watched through the GL binding.
#include <gtest/gtest.h>

#include "EffectFixture.h"
#include "GLObserver.h"

namespace Corvane::Tessory::Testing {
namespace {

class ProgramTest : public EffectTest {
  protected:
    PF_Err frame(int width = 32, int height = 24) {
        Host::Layer input(width, height), output(width, height);
        fillGradient(input);
        return effect.render(input, output);
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
