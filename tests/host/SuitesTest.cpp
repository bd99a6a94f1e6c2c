// The basic suite: which suites are offered, the balance of acquire and release, and a table
// that outlives its host.
#include <gtest/gtest.h>

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
