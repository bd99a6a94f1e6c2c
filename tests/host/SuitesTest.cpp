// The basic suite: which suites are offered, balance of acquire and release, faults, and the
// record of calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AE_Drawbot.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"

using namespace Corvane::Tessory::Host;

namespace {

struct Offered {
    const char* name;
    int32_t version;
};
const Offered kOffered[] = {
    {kPFANSISuite, 1},          {kPFParamUtilsSuite, 3},      {kAEGPEffectSuite, 2},
    {kAEGPPFInterfaceSuite, 1}, {kAEGPDynamicStreamSuite, 2}, {kAEGPStreamSuite, 7},
    {kPFIterateFloatSuite, 1},  {kPFHandleSuite, 2},          {kAEGPUtilitySuite, 11},
    {kAEGPMemorySuite, 1},      {kDRAWBOT_DrawSuite, 1},      {kDRAWBOT_SupplierSuite, 1},
    {kDRAWBOT_SurfaceSuite, 2}, {kDRAWBOT_PathSuite, 1},
};

TEST(Suites, EveryOfferedSuiteComesWithATableAndBalances) {
    HostApp host;
    HostProbe probe{host};
    SPBasicSuite* basic = host.basicSuite();
    for (const Offered& s : kOffered) {
        const void* table = nullptr;
        EXPECT_EQ(basic->AcquireSuite(s.name, s.version, &table), kSPNoError) << s.name;
        EXPECT_NE(table, nullptr) << s.name;
    }
    EXPECT_EQ(probe.outstandingSuites(), 14);
    // The same suite twice needs two releases.
    const void* again = nullptr;
    basic->AcquireSuite(kPFANSISuite, 1, &again);
    EXPECT_EQ(probe.outstandingSuites(), 15);
    for (const Offered& s : kOffered) {
        EXPECT_EQ(basic->ReleaseSuite(s.name, s.version), kSPNoError) << s.name;
    }
    EXPECT_EQ(probe.outstandingSuites(), 1);
    EXPECT_EQ(basic->ReleaseSuite(kPFANSISuite, 1), kSPNoError);
    EXPECT_EQ(probe.outstandingSuites(), 0);
    // A release without acquisition is refused and cannot drive the count below zero.
    EXPECT_NE(basic->ReleaseSuite(kPFANSISuite, 1), kSPNoError);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST(Suites, WithheldAndNullSuitesAreNotCountedAndOthersStayAvailable) {
    HostApp host;
    HostProbe probe{host};
    probe.withholdSuite(kAEGPMemorySuite);
    probe.nullSuite(kPFHandleSuite);
    SPBasicSuite* basic = host.basicSuite();
    const void* table = &host;
    EXPECT_EQ(basic->AcquireSuite(kAEGPMemorySuite, 1, &table), kSPSuiteNotFoundError);
    EXPECT_EQ(table, nullptr);
    table = &host;
    EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &table), kSPNoError);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(probe.outstandingSuites(), 0);
    EXPECT_EQ(basic->AcquireSuite(kAEGPUtilitySuite, 11, &table), kSPNoError);
    EXPECT_NE(table, nullptr);
    basic->ReleaseSuite(kAEGPUtilitySuite, 11);

    probe.clearFaults();
    EXPECT_EQ(basic->AcquireSuite(kAEGPMemorySuite, 1, &table), kSPNoError);
    EXPECT_NE(table, nullptr);
    basic->ReleaseSuite(kAEGPMemorySuite, 1);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST(Suites, FailCallHitsOnlyTheNthCallOnce) {
    HostApp host;
    HostProbe probe{host};
    probe.failCall("host_new_handle", 3);
    probe.failCall("AEGP_NewMemHandle", 1, A_Err_PARAMETER);
    const void* table = nullptr;
    host.basicSuite()->AcquireSuite(kPFHandleSuite, 2, &table);
    auto* handles = static_cast<const PF_HandleSuite1*>(table);
    PF_Handle h1 = handles->host_new_handle(8);
    PF_Handle h2 = handles->host_new_handle(8);
    PF_Handle h3 = handles->host_new_handle(8);
    PF_Handle h4 = handles->host_new_handle(8);
    EXPECT_NE(h1, nullptr);
    EXPECT_NE(h2, nullptr);
    EXPECT_EQ(h3, nullptr);
    EXPECT_NE(h4, nullptr);
    EXPECT_EQ(probe.liveHandles(), 3);
    for (PF_Handle h : {h1, h2, h4}) handles->host_dispose_handle(h);
    EXPECT_EQ(probe.liveHandles(), 0);

    host.basicSuite()->AcquireSuite(kAEGPMemorySuite, 1, &table);
    auto* memory = static_cast<const AEGP_MemorySuite1*>(table);
    AEGP_MemHandle m = reinterpret_cast<AEGP_MemHandle>(&host);
    EXPECT_EQ(memory->AEGP_NewMemHandle(0, "x", 4, 0, &m), A_Err_PARAMETER);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(memory->AEGP_NewMemHandle(0, "x", 4, 0, &m), A_Err_NONE);
    EXPECT_EQ(memory->AEGP_FreeMemHandle(m), A_Err_NONE);
    EXPECT_EQ(probe.liveMemHandles(), 0);
}

TEST(Suites, ATableOfAHostThatIsGoneAnswersErrors) {
    SPBasicSuite* stale = nullptr;
    {
        HostApp gone;
        stale = gone.basicSuite();
    }
    // Another host may take the slot later; until then the stale table must not crash.
    const void* table = &stale;
    const SPErr err = stale->AcquireSuite(kPFANSISuite, 1, &table);
    EXPECT_EQ(err, kSPSuiteNotFoundError);
    EXPECT_EQ(table, nullptr);
}

}  // namespace
