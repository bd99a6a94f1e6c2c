// GL lifetime: contexts per host thread, the host's context current after every command,
// tear-down, and what a failing frame leaves behind.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "EffectFixture.h"
#include "GLObserver.h"

namespace Corvane::Tessory::Testing {
namespace {

class LifetimeTest : public EffectTest {
  protected:
    PF_Err frame(Host::Layer* output = nullptr) {
        Host::Layer input(32, 24), own(32, 24);
        fillGradient(input);
        return render(input, output ? *output : own);
    }
    // Contexts made since the probe was cleared, the host's own left out.
    std::set<void*> effectContexts(const std::set<void*>& hostContexts) const {
        std::set<void*> out;
        for (void* c : EGLContextProbe::created())
            if (!hostContexts.count(c)) out.insert(c);
        return out;
    }
    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(LifetimeTest, HostContextIsCurrentAfterEveryCommand) {
    ASSERT_NE(host.hostContext(), nullptr);
    EXPECT_TRUE(hostContextCurrent());  // after set-up and registration
    ASSERT_EQ(frame(), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    ASSERT_EQ(effect.updateParamsUI(), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    ASSERT_EQ(effect.userChangedParam(9), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    ASSERT_EQ(effect.globalSetdown(), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
}

TEST_F(LifetimeTest, ThreeThreadsThreeContextsAllDeletedAtTearDown) {
    // The probe was cleared before set-up: it saw the host's context and the shared one.
    std::set<void*> hostContexts{host.hostContext()};
    const std::set<void*> shared = effectContexts(hostContexts);
    ASSERT_EQ(shared.size(), 1u) << "the shared data context";

    ::testing::internal::CaptureStdout();
    for (int t = 0; t < 3; ++t) {
        // One command at a time, each from a thread of its own, each frame different.
        EffectSettings settings = smallFrame(1);
        settings.size1 = 6;
        settings.centerX = 8 + 6 * t;
        settings.centerY = 10;
        apply(settings);
        std::thread worker([&] {
            Host::Layer input(32, 24), output(32, 24);
            fillGradient(input);
            hostContexts.insert(host.hostContext());
            // Both frames, the one that made the thread's context and the one that reuses
            // it, are the whole frame and not what another context left.
            const ReferenceFrame ref = renderReference(input, settings, 1);
            for (int again = 0; again < 2; ++again) {
                output.fill(PF_Pixel{0, 0, 0, 0});
                EXPECT_EQ(render(input, output), PF_Err_NONE);
                EXPECT_TRUE(hostContextCurrent());
                EXPECT_LE(compare(ref, output).worst, 2) << "thread " << t << " frame " << again;
            }
        });
        worker.join();
    }
    const std::string renderOut = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(count(renderOut, "OpenGL Version:  "), 3);
    const std::set<void*> made = effectContexts(hostContexts);
    EXPECT_EQ(made.size(), 4u) << "three render contexts and the shared one";

    // The test thread renders too; its frame must match the others.
    ASSERT_EQ(frame(), PF_Err_NONE);
    ASSERT_EQ(effect.globalSetdown(), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    const std::vector<void*> destroyed = EGLContextProbe::destroyed();
    for (void* c : effectContexts(hostContexts)) {
        EXPECT_NE(std::find(destroyed.begin(), destroyed.end(), c), destroyed.end())
            << "context " << c << " left alive";
    }
    for (void* c : hostContexts) {
        EXPECT_EQ(std::find(destroyed.begin(), destroyed.end(), c), destroyed.end())
            << "the host's context was destroyed";
    }
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);  // for the fixture's tear-down
    EXPECT_TRUE(hostContextCurrent());
}

TEST_F(LifetimeTest, FailingFrameAnswers516AndLeavesNothingBehind) {
    ASSERT_EQ(frame(), PF_Err_NONE);
    const int handlesBefore = probe.liveHandles();
    Host::Layer output(32, 24);
    output.fill(PF_Pixel{1, 2, 3, 4});
    // The read-back's handle, its suite, and the upload's pixel address (a target is
    // pushed by then) fail in turn.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        if (attempt == 0) {
            probe.failCall("host_new_handle");
        } else if (attempt == 1) {
            probe.withholdSuite("PF Handle Suite");
        } else {
            probe.failCall("get_pixel_data8");
        }
        GLObserver::clear();
        EXPECT_EQ(frame(&output), PF_Err_BAD_CALLBACK_PARAM);
        probe.clearFaults();
        EXPECT_TRUE(hostContextCurrent());
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveHandles(), handlesBefore);
        EXPECT_EQ(output.pixel8(5, 5).alpha, 1) << "the output stays unwritten";
        // Every texture and render target the frame made is gone again.
        EXPECT_EQ(GLObserver::count("glGenTextures"), GLObserver::count("glDeleteTextures"));
        EXPECT_EQ(GLObserver::count("glGenRenderbuffers"),
                  GLObserver::count("glDeleteRenderbuffers"));
    }
    EXPECT_EQ(frame(&output), PF_Err_NONE);
    EXPECT_EQ(output.pixel8(5, 5).alpha, 255);
}

TEST_F(LifetimeTest, CommandsAfterTearDown) {
    ASSERT_EQ(frame(), PF_Err_NONE);
    ASSERT_EQ(effect.globalSetdown(), PF_Err_NONE);
    // A second tear-down has nothing left to delete.
    EXPECT_EQ(effect.globalSetdown(), PF_Err_NONE);
    // A frame without the effect's GL is refused, the host's context untouched.
    Host::Layer output(32, 24);
    output.fill(PF_Pixel{1, 2, 3, 4});
    EXPECT_EQ(frame(&output), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(hostContextCurrent());
    EXPECT_EQ(output.pixel8(0, 0).alpha, 1);
    // Commands without GL still work.
    EXPECT_EQ(effect.updateParamsUI(), PF_Err_NONE);
    EXPECT_NE(effect.about().find("QX Tessory"), std::string::npos);
    // A new set-up brings the effect's GL back: frames render again, and the next
    // tear-down releases every context the set-up and the frame made.
    EGLContextProbe::clear();
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(frame(&output), PF_Err_NONE);
    EXPECT_EQ(output.pixel8(0, 0).alpha, 255);
    EXPECT_TRUE(hostContextCurrent());
    ASSERT_EQ(effect.globalSetdown(), PF_Err_NONE);
    EXPECT_EQ(EGLContextProbe::created().size(), EGLContextProbe::destroyed().size());
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
}

TEST_F(LifetimeTest, WithoutAHostContextTheFrameStillRenders) {
    host.setProvidesGLContext(false);
    Host::Layer input(32, 24), output(32, 24);
    fillGradient(input);
    EXPECT_EQ(render(input, output), PF_Err_NONE);
    const ReferenceFrame ref =
        renderReference(input, EffectSettings{.centerX = 16, .centerY = 12}, 1);
    EXPECT_LE(compare(ref, output).worst, 2);
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
