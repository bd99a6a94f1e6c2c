// The module as a host sees it: loaded with dlopen, driven only through EntryPointFunc.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

TEST_F(PluginFrame, AboutWritesTwoLinesAndGivesTheSuiteBack) {
    EXPECT_EQ(effect.about(), "QX Tessory v1.0\rQX Tessory");
    EXPECT_EQ(probe.countCalls("AcquireSuite PF ANSI Suite 1"), 1);
    EXPECT_EQ(probe.countCalls("ReleaseSuite PF ANSI Suite 1"), 1);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST_F(PluginFrame, AboutWithoutAnsiSuiteAnswersBadCallbackAndLeavesTheMessage) {
    probe.withholdSuite("PF ANSI Suite");
    std::strcpy(effect.outData().return_msg, "untouched");
    EXPECT_EQ(effect.send(PF_Cmd_ABOUT), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(effect.outData().return_msg, "untouched");
    EXPECT_EQ(effect.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

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

// What a host must store for each position, as registered.
struct Expected {
    A_long type;
    const char* name;
    A_long flags;
    A_long uiFlags;
};

const std::vector<Expected> kList = {
    {PF_Param_POPUP, "Shape Type", PF_ParamFlag_SUPERVISE, 0},
    {PF_Param_SLIDER, "Shape Size 1", 0, 0},
    {PF_Param_SLIDER, "Shape Size 2", 0, 0},
    {PF_Param_POINT, "Shape Center", 0, 0},
    {PF_Param_ANGLE, "Shape Rotation", 0, 0},
    {PF_Param_POPUP, "Fill Type", PF_ParamFlag_SUPERVISE, 0},
    {PF_Param_CHECKBOX, "Transparent Background", 0, 0},
    {PF_Param_GROUP_START, "Edge", 0, 0},
    {PF_Param_POPUP, "Edge Type", PF_ParamFlag_SUPERVISE, 0},
    {PF_Param_SLIDER, "Shadow Size", 0, 0},
    {PF_Param_COLOR, "Shadow Color", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Shadow Opacity", 0, 0},
    {PF_Param_SLIDER, "Stroke Size", 0, PF_PUI_INVISIBLE},
    {PF_Param_COLOR, "Stroke Color", 0, PF_PUI_INVISIBLE},
    {PF_Param_FLOAT_SLIDER, "Stroke Opacity", 0, 0},
    {PF_Param_GROUP_END, "", 0, 0},
    {PF_Param_GROUP_START, "Echo", 0, 0},
    {PF_Param_SLIDER, "Instances", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Shape Size 1 Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Shape Size 2 Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Position X Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Position Y Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Scale X Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Scale Y Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Rotation Offset", 0, 0},
    {PF_Param_FLOAT_SLIDER, "Opacity Offset", 0, 0},
    {PF_Param_GROUP_END, "", 0, 0},
};

TEST_F(PluginFrame, RegistersTwentySevenEntriesInOrderWithDiskIdsAndFlags) {
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);
    EXPECT_EQ(effect.outData().num_params, 28);
    const auto& params = effect.params();
    ASSERT_EQ(params.size(), 28u);
    for (size_t i = 1; i < params.size(); ++i) {
        const PF_ParamDef& def = params[i].registered;
        const Expected& want = kList[i - 1];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(def.param_type, want.type);
        EXPECT_STREQ(def.name, want.name);
        EXPECT_EQ(def.uu.id, static_cast<A_long>(i));
        EXPECT_EQ(def.flags, want.flags);
        EXPECT_EQ(def.ui_flags, want.uiFlags);
        EXPECT_EQ(def.ui_width, 0);
        EXPECT_EQ(def.ui_height, 0);
    }
    EXPECT_EQ(probe.countCalls("add_param"), 27);
}

const PF_ParamDef& registered(const EffectInstance& effect, const char* name) {
    const int index = effect.findParam(name);
    EXPECT_GT(index, 0) << name;
    return effect.params().at(index).registered;
}

TEST_F(PluginFrame, PopupsOfferTheirChoicesAndChevronIsNotOffered) {
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);
    const PF_ParamDef& shape = registered(effect, "Shape Type");
    EXPECT_EQ(shape.u.pd.num_choices, 8);
    EXPECT_EQ(shape.u.pd.value, 1);
    EXPECT_EQ(shape.u.pd.dephault, 1);
    EXPECT_EQ(effect.params()[1].choicesText,
              "Circle|Ring|Cross|Triangle|Rectangle|Hexagon|Octagon|T Shape|Chevron");
    const PF_ParamDef& fill = registered(effect, "Fill Type");
    EXPECT_EQ(fill.u.pd.num_choices, 2);
    EXPECT_EQ(effect.params()[6].choicesText, "Fill Outside|Fill Inside");
    const PF_ParamDef& edge = registered(effect, "Edge Type");
    EXPECT_EQ(edge.u.pd.num_choices, 2);
    EXPECT_EQ(effect.params()[9].choicesText, "Shadow|Stroke");
}

TEST_F(PluginFrame, HostRefusingTheFifthEntryGetsItsErrorWithFourRegistered) {
    probe.failCall("add_param", 5, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(effect.paramsSetup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(effect.outData().num_params, 28);
    EXPECT_EQ(effect.params().size(), 5u);  // the input layer and four entries
    EXPECT_EQ(probe.countCalls("add_param"), 5);
}

TEST_F(PluginFrame, MissingSuiteInAHandlerAnswersBadCallbackAndReleasesInReverse) {
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);
    probe.withholdSuite("AEGP Stream Suite");
    probe.clearCalls();
    EXPECT_EQ(effect.updateParamsUI(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(probe.outstandingSuites(), 0);

    std::vector<std::string> releases;
    for (const std::string& call : probe.calls()) {
        if (call.rfind("ReleaseSuite ", 0) == 0) releases.push_back(call);
    }
    const std::vector<std::string> expected = {
        "ReleaseSuite AEGP Dynamic Stream Suite 2",
        "ReleaseSuite AEGP PF Interface Suite 1",
        "ReleaseSuite AEGP Effect Suite 2",
        "ReleaseSuite PF Param Utils Suite 3",
    };
    EXPECT_EQ(releases, expected);
    EXPECT_EQ(probe.countCalls("AEGP_SetDynamicStreamFlag"), 0);
}

}  // namespace
