// The module as a host sees it: loaded with dlopen, driven only through EntryPointFunc.
#include <gtest/gtest.h>

#include <cstring>

#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"
#include "Host/PluginModule.h"

using namespace Corvane::Tessory::Host;

namespace {

class PluginFrame : public ::testing::Test {
  protected:
    PluginFrame() : module(PluginModule::defaultPath()), effect(host, module) {}

    HostApp host;

    HostProbe probe{host};
    PluginModule module;
    EffectInstance effect;
};

TEST_F(PluginFrame, GlobalSetupWritesVersionAndClearsFlags) {
    effect.outData().my_version = 7;
    effect.outData().out_flags = -1;
    effect.outData().out_flags2 = -1;
    EXPECT_EQ(effect.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(effect.outData().my_version, 0x80001u);
    EXPECT_EQ(effect.outData().out_flags, 0);
    EXPECT_EQ(effect.outData().out_flags2, 0);
    EXPECT_EQ(effect.globalSetdown(), PF_Err_NONE);
}

TEST_F(PluginFrame, UnhandledCommandsAnswerNoneAndTouchNothing) {
    PF_OutData& out = effect.outData();
    std::memset(&out, 0x5A, sizeof(out));
    PF_OutData before;
    std::memcpy(&before, &out, sizeof(out));
    for (A_long cmd : {2, 5, 6, 7, 8, 9, 10, 12, 15, 16, 24, 1000, -1}) {
        EXPECT_EQ(effect.send(cmd), PF_Err_NONE) << "command " << cmd;
        EXPECT_EQ(std::memcmp(&before, &out, sizeof(out)), 0) << "command " << cmd;
    }
    EXPECT_TRUE(probe.calls().empty());
}

}  // namespace
