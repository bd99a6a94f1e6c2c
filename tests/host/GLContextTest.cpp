// The host's own GL context: current after every command, one per sending thread.
#include <EGL/egl.h>

#include <thread>

#include "Host/HostGLContext.h"
#include "HostFixture.h"

namespace Corvane::Tessory::Host::Testing {
namespace {

class HostGL : public HostFixture {
  protected:
    void SetUp() override {
        if (!host.hostContext()) GTEST_SKIP() << "no EGL context: " << HostGLContext::error();
    }
};

TEST_F(HostGL, EachThreadHasItsOwnContext) {
    ASSERT_EQ(effect.send(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    void* mainContext = host.hostContext();
    void* otherContext = nullptr;
    void* currentOnOther = nullptr;
    PF_Err otherResult = -1;
    std::thread other([&] {
        otherResult = effect.send(PF_Cmd_ABOUT);
        otherContext = host.hostContext();
        currentOnOther = eglGetCurrentContext();
    });
    other.join();
    EXPECT_EQ(otherResult, PF_Err_NONE);
    ASSERT_NE(otherContext, nullptr);
    EXPECT_NE(otherContext, mainContext);
    EXPECT_EQ(currentOnOther, otherContext);
    // The main thread's context is still current here, and comes back on the next command.
    EXPECT_EQ(eglGetCurrentContext(), mainContext);
    ASSERT_EQ(effect.send(PF_Cmd_ABOUT), PF_Err_NONE);
    EXPECT_EQ(eglGetCurrentContext(), mainContext);
}

TEST_F(HostGL, ContextDrawsCoreProfile) {
    ASSERT_TRUE(host.makeHostContextCurrent());
    using GetString = const unsigned char* (*)(unsigned);
    using GetIntegerv = void (*)(unsigned, int*);
    auto getString = reinterpret_cast<GetString>(eglGetProcAddress("glGetString"));
    auto getInteger = reinterpret_cast<GetIntegerv>(eglGetProcAddress("glGetIntegerv"));
    ASSERT_NE(getString, nullptr);
    ASSERT_NE(getInteger, nullptr);
    int major = 0, minor = 0, profile = 0;
    getInteger(0x821B, &major);    // GL_MAJOR_VERSION
    getInteger(0x821C, &minor);    // GL_MINOR_VERSION
    getInteger(0x9126, &profile);  // GL_CONTEXT_PROFILE_MASK
    EXPECT_GE(major * 10 + minor, 32);
    EXPECT_TRUE(profile & 0x1) << "not a core profile";  // GL_CONTEXT_CORE_PROFILE_BIT
    EXPECT_NE(getString(0x1F01), nullptr);               // GL_RENDERER
}

}  // namespace
}  // namespace Corvane::Tessory::Host::Testing
