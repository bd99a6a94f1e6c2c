#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Helper/SuiteScoper.h"
#include "HostTest.h"

namespace Corvane::Tessory {
namespace {

using Strings = std::vector<std::string>;
using Testing::thrownCode;

class SuiteScoperTest : public Testing::HostTest {};

TEST_F(SuiteScoperTest, ScopersHoldTheHostTableAndReleaseInReverseOrderAlsoOnThrow) {
    {
        SuiteScoper<PF_ANSICallbacksSuite1> ansi(&in, kPFANSISuite, 1);
        SuiteScoper<PF_HandleSuite1> handles(&in, kPFHandleSuite, 2);
        SuiteScoper<AEGP_UtilitySuite5> utility(host.basicSuite(), kAEGPUtilitySuite, 11);
        EXPECT_DOUBLE_EQ(ansi->hypot(3.0, 4.0), 5.0);
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

// The free functions answer codes and leave a message, cut to the host's 255 characters.
TEST_F(SuiteScoperTest, FreeFunctionsAnswerCodesWithMessages) {
    const std::string longText(600, 'x');
    void* table = nullptr;
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::function<PF_Err()> call;
        PF_Err code;
        std::string message;
    };
    const Case cases[] = {
        {"acquire and release", [] {},
         [&] {
             const PF_Err e = AcquireSuite(&in, &out, kPFANSISuite, 1, nullptr, &table);
             return e ? e : ReleaseSuite(&in, &out, kPFANSISuite, 1, nullptr);
         },
         PF_Err_NONE, ""},
        {"no basic suite", [&] { in.pica_basicP = nullptr; },
         [&] { return AcquireSuite(&in, &out, kDRAWBOT_PathSuite, 1, nullptr, &table); },
         PF_Err_BAD_CALLBACK_PARAM, "Not able to acquire AEFX Suite-DRAWBOT Path Suite-1"},
        {"missing suite", [&] { probe.withholdSuite(kPFHandleSuite); },
         [&] { return AcquireSuite(&in, &out, kPFHandleSuite, 2, nullptr, &table); },
         PF_Err_BAD_CALLBACK_PARAM, "Not able to acquire AEFX Suite-PF Handle Suite-2"},
        {"null suite", [&] { probe.nullSuite(kAEGPMemorySuite); },
         [&] { return AcquireSuite(&in, &out, kAEGPMemorySuite, 1, "no memory", &table); },
         PF_Err_BAD_CALLBACK_PARAM, "no memory"},
        {"release without basic suite", [&] { in.pica_basicP = nullptr; },
         [&] { return ReleaseSuite(&in, &out, kPFANSISuite, 1, nullptr); },
         PF_Err_BAD_CALLBACK_PARAM, "Not able to release AEFX Suite."},
        {"long message", [&] { in.pica_basicP = nullptr; },
         [&] { return ReleaseSuite(&in, &out, kPFANSISuite, 1, longText.c_str()); },
         PF_Err_BAD_CALLBACK_PARAM, std::string(255, 'x')},
        {"no drawbot record", [] {}, [&] { return AcquireDrawbotSuites(&in, &out, nullptr); },
         PF_Err_UNRECOGNIZED_PARAM_TYPE, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites"},
        {"drawbot release without basic suite", [&] { in.pica_basicP = nullptr; },
         [&] { return ReleaseDrawbotSuites(&in, &out); }, PF_Err_NONE,
         "Not able to release AEFX Suite."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        in.pica_basicP = host.basicSuite();
        probe.clearFaults();
        out = PF_OutData{};
        std::memset(out.return_msg, 'y', sizeof(out.return_msg) - 1);
        if (c.message.empty()) out.return_msg[0] = '\0';
        c.setUp();
        EXPECT_EQ(c.call(), c.code);
        EXPECT_EQ(message(), c.message);
        EXPECT_EQ(displayFlag(), !c.message.empty());
        EXPECT_EQ(probe.outstandingSuites(), 0);
    }
}

}  // namespace
}  // namespace Corvane::Tessory
