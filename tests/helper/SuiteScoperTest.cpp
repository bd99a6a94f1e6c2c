#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Helper/SuiteScoper.h"
#include "HostFixture.h"

namespace Corvane::Tessory {
namespace {

using Strings = std::vector<std::string>;
using Testing::thrownCode;

class SuiteScoperTest : public Testing::HostTest {};

TEST_F(SuiteScoperTest, HoldsTheSuiteForItsScopeAndGivesItBack) {
    {
        SuiteScoper<PF_ANSICallbacksSuite1> ansi(&in, kPFANSISuite, 1);
        ASSERT_NE(ansi.get(), nullptr);
        EXPECT_EQ(ansi.mSuite, ansi.get());
        EXPECT_EQ(probe.outstandingSuites(), 1);
        // The table is the host's working one.
        EXPECT_DOUBLE_EQ(ansi->hypot(3.0, 4.0), 5.0);
    }
    EXPECT_EQ(probe.outstandingSuites(), 0);
    EXPECT_EQ(probe.calls(),
              (Strings{"AcquireSuite PF ANSI Suite 1", "hypot", "ReleaseSuite PF ANSI Suite 1"}));
}

TEST_F(SuiteScoperTest, MissingSuiteThrows13AndReleasesNothing) {
    probe.withholdSuite(kPFHandleSuite);

    EXPECT_EQ(thrownCode([&] { SuiteScoper<PF_HandleSuite1> s(&in, kPFHandleSuite, 2); }),
              A_Err_MISSING_SUITE);
    // Without an output record nothing is written anywhere.
    EXPECT_FALSE(displayFlag());
    EXPECT_EQ(message(), "");

    EXPECT_EQ(
        thrownCode([&] { SuiteScoper<PF_HandleSuite1> s(host.basicSuite(), kPFHandleSuite, 2); }),
        A_Err_MISSING_SUITE);

    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST_F(SuiteScoperTest, MissingSuiteWithOutputRecordShowsAMessage) {
    probe.withholdSuite(kPFParamUtilsSuite);
    out.out_flags = PF_OutFlag_DISPLAY_ERROR_MESSAGE >> 1;  // other flags stay

    EXPECT_EQ(
        thrownCode([&] { SuiteScoper<PF_ParamUtilsSuite3> s(&in, kPFParamUtilsSuite, 3, &out); }),
        A_Err_MISSING_SUITE);
    EXPECT_TRUE(displayFlag());
    EXPECT_TRUE(out.out_flags & (PF_OutFlag_DISPLAY_ERROR_MESSAGE >> 1));
    EXPECT_EQ(message(), "Not able to acquire AEFX Suite.");

    out = PF_OutData{};
    EXPECT_EQ(thrownCode([&] {
                  SuiteScoper<PF_ParamUtilsSuite3> s(&in, kPFParamUtilsSuite, 3, &out,
                                                     "Param utilities are missing");
              }),
              A_Err_MISSING_SUITE);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "Param utilities are missing");
    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
}

TEST_F(SuiteScoperTest, AnyFailureOfTheHostThrows13WhateverItsCode) {
    probe.failCall("AcquireSuite", 1, A_Err_PARAMETER);
    EXPECT_EQ(thrownCode([&] { SuiteScoper<PF_ANSICallbacksSuite1> s(&in, kPFANSISuite, 1); }),
              A_Err_MISSING_SUITE);
    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST_F(SuiteScoperTest, SuccessWithANullTableDoesNotThrowAndReleasesNothing) {
    probe.nullSuite(kAEGPEffectSuite);
    const auto code = thrownCode([&] {
        SuiteScoper<AEGP_EffectSuite2> effect(&in, kAEGPEffectSuite, 2, &out);
        EXPECT_EQ(effect.get(), nullptr);
    });
    EXPECT_FALSE(code.has_value());
    EXPECT_FALSE(displayFlag());
    EXPECT_EQ(probe.countCalls("AcquireSuite AEGP Effect Suite 2"), 1);
    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
    EXPECT_EQ(probe.outstandingSuites(), 0);
    // A call through the null table throws instead of crashing.
    EXPECT_EQ(thrownCode([&] {
                  SuiteScoper<AEGP_EffectSuite2> effect(&in, kAEGPEffectSuite, 2, &out);
                  A_long count = 0;
                  effect->AEGP_GetLayerNumEffects(nullptr, &count);
              }),
              A_Err_MISSING_SUITE);
}

TEST_F(SuiteScoperTest, ScopersReleaseInReverseOrderAlsoWhenALaterOneThrows) {
    {
        SuiteScoper<PF_ANSICallbacksSuite1> ansi(&in, kPFANSISuite, 1);
        SuiteScoper<PF_HandleSuite1> handles(&in, kPFHandleSuite, 2);
        SuiteScoper<AEGP_UtilitySuite5> utility(host.basicSuite(), kAEGPUtilitySuite, 11);
        EXPECT_EQ(probe.outstandingSuites(), 3);
    }
    EXPECT_EQ(callsStartingWith("ReleaseSuite"),
              (Strings{"ReleaseSuite AEGP Utility Suite 11", "ReleaseSuite PF Handle Suite 2",
                       "ReleaseSuite PF ANSI Suite 1"}));

    probe.clearCalls();
    probe.withholdSuite(kAEGPStreamSuite);
    EXPECT_EQ(thrownCode([&] {
                  SuiteScoper<AEGP_EffectSuite2> effect(&in, kAEGPEffectSuite, 2);
                  SuiteScoper<AEGP_DynamicStreamSuite2> dynamic(&in, kAEGPDynamicStreamSuite, 2);
                  SuiteScoper<AEGP_StreamSuite2> stream(&in, kAEGPStreamSuite, 7);
              }),
              A_Err_MISSING_SUITE);
    EXPECT_EQ(
        callsStartingWith("ReleaseSuite"),
        (Strings{"ReleaseSuite AEGP Dynamic Stream Suite 2", "ReleaseSuite AEGP Effect Suite 2"}));
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

// The free functions answer error codes instead of throwing.
class SuiteFunctionsTest : public Testing::HostTest {};

TEST_F(SuiteFunctionsTest, AcquireAndReleaseOneSuite) {
    void* table = nullptr;
    EXPECT_EQ(AcquireSuite(&in, &out, kPFANSISuite, 1, nullptr, &table), PF_Err_NONE);
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(probe.outstandingSuites(), 1);
    EXPECT_EQ(ReleaseSuite(&in, &out, kPFANSISuite, 1, nullptr), PF_Err_NONE);
    EXPECT_EQ(probe.outstandingSuites(), 0);
    EXPECT_FALSE(displayFlag());
    EXPECT_EQ(message(), "");
}

TEST_F(SuiteFunctionsTest, AcquireWithoutBasicSuiteNamesTheSuiteAndLeavesTheSlot) {
    in.pica_basicP = nullptr;
    int sentinel = 0;
    void* table = &sentinel;
    EXPECT_EQ(AcquireSuite(&in, &out, kDRAWBOT_PathSuite, 1, nullptr, &table),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(table, &sentinel);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "Not able to acquire AEFX Suite-DRAWBOT Path Suite-1");
    EXPECT_TRUE(probe.calls().empty());
}

TEST_F(SuiteFunctionsTest, AcquireOfAMissingOrNullSuiteAnswers516) {
    probe.withholdSuite(kPFHandleSuite);
    void* table = nullptr;
    EXPECT_EQ(AcquireSuite(&in, &out, kPFHandleSuite, 2, nullptr, &table),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(table, nullptr);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "Not able to acquire AEFX Suite-PF Handle Suite-2");

    out = PF_OutData{};
    probe.nullSuite(kAEGPMemorySuite);
    EXPECT_EQ(AcquireSuite(&in, &out, kAEGPMemorySuite, 1, "no memory", &table),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "no memory");
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST_F(SuiteFunctionsTest, MessagesAreCutToTheHostLimit) {
    in.pica_basicP = nullptr;
    const std::string longText(600, 'x');
    std::memset(out.return_msg, 'y', sizeof(out.return_msg));
    EXPECT_EQ(ReleaseSuite(&in, &out, kPFANSISuite, 1, longText.c_str()),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(message(), std::string(sizeof(out.return_msg) - 1, 'x'));
    EXPECT_EQ(sizeof(out.return_msg), 256u);
}

TEST_F(SuiteFunctionsTest, ReleaseWithoutBasicSuiteAnswers516) {
    in.pica_basicP = nullptr;
    EXPECT_EQ(ReleaseSuite(&in, &out, kPFANSISuite, 1, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "Not able to release AEFX Suite.");

    EXPECT_EQ(ReleaseSuite(&in, &out, kPFANSISuite, 1, "still here"), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(message(), "still here");
}

TEST_F(SuiteFunctionsTest, DrawbotSuitesAreAcquiredAndReleasedInOrder) {
    DRAWBOT_Suites suites{};
    EXPECT_EQ(AcquireDrawbotSuites(&in, &out, &suites), PF_Err_NONE);
    EXPECT_NE(suites.drawbot_suiteP, nullptr);
    EXPECT_NE(suites.supplier_suiteP, nullptr);
    EXPECT_NE(suites.surface_suiteP, nullptr);
    EXPECT_NE(suites.path_suiteP, nullptr);
    EXPECT_EQ(
        callsStartingWith("AcquireSuite"),
        (Strings{"AcquireSuite DRAWBOT Draw Suite 1", "AcquireSuite DRAWBOT Supplier Suite 1",
                 "AcquireSuite DRAWBOT Surface Suite 2", "AcquireSuite DRAWBOT Path Suite 1"}));
    EXPECT_EQ(probe.outstandingSuites(), 4);

    EXPECT_EQ(ReleaseDrawbotSuites(&in, &out), PF_Err_NONE);
    EXPECT_EQ(
        callsStartingWith("ReleaseSuite"),
        (Strings{"ReleaseSuite DRAWBOT Draw Suite 1", "ReleaseSuite DRAWBOT Supplier Suite 1",
                 "ReleaseSuite DRAWBOT Surface Suite 2", "ReleaseSuite DRAWBOT Path Suite 1"}));
    EXPECT_EQ(probe.outstandingSuites(), 0);
    EXPECT_FALSE(displayFlag());
}

TEST_F(SuiteFunctionsTest, DrawbotAcquisitionStopsAtTheMissingSurfaceSuite) {
    probe.withholdSuite(kDRAWBOT_SurfaceSuite);
    DRAWBOT_Suites suites{};
    EXPECT_EQ(AcquireDrawbotSuites(&in, &out, &suites), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_NE(suites.drawbot_suiteP, nullptr);
    EXPECT_NE(suites.supplier_suiteP, nullptr);
    EXPECT_EQ(suites.surface_suiteP, nullptr);
    EXPECT_EQ(suites.path_suiteP, nullptr);
    EXPECT_EQ(probe.countCalls("AcquireSuite DRAWBOT Path Suite"), 0);
    EXPECT_EQ(probe.outstandingSuites(), 2);
    EXPECT_EQ(message(), "Not able to acquire AEFX Suite-DRAWBOT Surface Suite-2");
    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
}

TEST_F(SuiteFunctionsTest, DrawbotAcquisitionWithoutARecordAnswers514) {
    EXPECT_EQ(AcquireDrawbotSuites(&in, &out, nullptr), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
    EXPECT_TRUE(probe.calls().empty());
}

TEST_F(SuiteFunctionsTest, DrawbotReleaseWithoutBasicSuiteStillAnswers0) {
    in.pica_basicP = nullptr;
    EXPECT_EQ(ReleaseDrawbotSuites(&in, &out), PF_Err_NONE);
    EXPECT_TRUE(displayFlag());
    EXPECT_EQ(message(), "Not able to release AEFX Suite.");
    EXPECT_TRUE(probe.calls().empty());
}

}  // namespace
}  // namespace Corvane::Tessory
