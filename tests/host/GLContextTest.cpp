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

}  // namespace
}  // namespace Corvane::Tessory::Host::Testing
