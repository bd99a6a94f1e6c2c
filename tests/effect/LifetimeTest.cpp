// Commands after tear-down, and a set-up that brings the effect's GL back.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include "EffectFixture.h"
#include "GLObserver.h"

namespace Corvane::Tessory::Testing {
namespace {

class LifetimeTest : public EffectTest {
  protected:
    PF_Err frame(Host::Layer* output = nullptr) {
        Host::Layer input(32, 24), own(32, 24);
        fillGradient(input);
        return effect.render(input, output ? *output : own);
    }
};

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

}  // namespace
}  // namespace Corvane::Tessory::Testing
