// AEGP_ExecuteScript on the embedded engine, and the float iterate suite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"
#include "Host/Layer.h"

using namespace Corvane::Tessory::Host;

namespace {

class Script : public ::testing::Test {
  protected:
    Script() {
        const void* table = nullptr;
        host.basicSuite()->AcquireSuite(kAEGPUtilitySuite, 11, &table);
        utility = static_cast<const AEGP_UtilitySuite5*>(table);
        host.basicSuite()->AcquireSuite(kAEGPMemorySuite, 1, &table);
        memory = static_cast<const AEGP_MemorySuite1*>(table);
    }

    // Runs the script and takes the texts out of their handles, freeing them.
    A_Err run(const char* script, std::string* result, std::string* error,
              bool* resultNull = nullptr, bool platform = false) {
        AEGP_MemHandle r = nullptr, e = nullptr;
        const A_Err err = utility->AEGP_ExecuteScript(0, script, platform, &r, &e);
        if (resultNull) *resultNull = r == nullptr;
        *result = take(r);
        *error = take(e);
        return err;
    }
    std::string take(AEGP_MemHandle h) {
        if (!h) return "";
        void* text = nullptr;
        memory->AEGP_LockMemHandle(h, &text);
        std::string s = static_cast<const char*>(text);
        memory->AEGP_FreeMemHandle(h);
        return s;
    }

    HostApp host;

    HostProbe probe{host};
    const AEGP_UtilitySuite5* utility = nullptr;
    const AEGP_MemorySuite1* memory = nullptr;
};

TEST_F(Script, CompletionValueComesBackAsText) {
    std::string result, error;
    EXPECT_EQ(run("var a = [1, 2]; a.push(3); a.join('-') + ' ' + (6 * 7)", &result, &error),
              A_Err_NONE);
    EXPECT_EQ(result, "1-2-3 42");
    EXPECT_EQ(error, "");
    EXPECT_EQ(run("1.5 + 1", &result, &error), A_Err_NONE);
    EXPECT_EQ(result, "2.5");
    // Globals live on from one script to the next.
    EXPECT_EQ(run("var kept = 'x' + 'y';", &result, &error), A_Err_NONE);
    EXPECT_EQ(run("kept", &result, &error), A_Err_NONE);
    EXPECT_EQ(result, "xy");
    EXPECT_EQ(probe.liveMemHandles(), 0);
}

TEST_F(Script, UndefinedGivesAnEmptyTextInAHandle) {
    std::string result, error;
    bool resultNull = true;
    EXPECT_EQ(run("var nothing;", &result, &error, &resultNull), A_Err_NONE);
    EXPECT_FALSE(resultNull);
    EXPECT_EQ(result, "");
    EXPECT_EQ(run("''", &result, &error, &resultNull), A_Err_NONE);
    EXPECT_FALSE(resultNull);
    EXPECT_EQ(result, "");
}

TEST_F(Script, ErrorsComeBackAsErrorText) {
    std::string result, error;
    bool resultNull = false;
    EXPECT_EQ(run("1 +* 2", &result, &error, &resultNull), A_Err_GENERIC);
    EXPECT_TRUE(resultNull);
    EXPECT_EQ(error.rfind("SyntaxError", 0), 0u) << error;
    EXPECT_EQ(run("undefinedName.x", &result, &error), A_Err_GENERIC);
    EXPECT_EQ(error.rfind("ReferenceError", 0), 0u) << error;
    EXPECT_EQ(run("throw new Error('stop here')", &result, &error), A_Err_GENERIC);
    EXPECT_EQ(error, "Error: stop here");
    EXPECT_EQ(probe.liveMemHandles(), 0);
}

TEST_F(Script, TextIsUtf8InEitherEncoding) {
    std::string result, error;
    const char* script = "'gr\xC3\xBC\xC3\x9F ' + '\xE2\x82\xAC'.length";
    EXPECT_EQ(run(script, &result, &error, nullptr, false), A_Err_NONE);
    EXPECT_EQ(result, "gr\xC3\xBC\xC3\x9F 1");
    EXPECT_EQ(run(script, &result, &error, nullptr, true), A_Err_NONE);
    EXPECT_EQ(result, "gr\xC3\xBC\xC3\x9F 1");
}

TEST_F(Script, FailedCallRunsNothingAndGivesNoHandles) {
    probe.failCall("AEGP_ExecuteScript");
    std::string result, error;
    bool resultNull = false;
    EXPECT_EQ(run("var ran = 1; 5", &result, &error, &resultNull), A_Err_GENERIC);
    EXPECT_TRUE(resultNull);
    EXPECT_EQ(run("typeof ran", &result, &error), A_Err_NONE);
    EXPECT_EQ(result, "undefined");
}

struct Visit {
    int x, y;
    float inGreen;
    PF_PixelFloat* out;
};

struct Recorder {
    std::vector<Visit> visits;
    int failAt = -1;
    PF_Err error = PF_Err_NONE;
};

PF_Err record(void* refcon, A_long x, A_long y, PF_PixelFloat* in, PF_PixelFloat* out) {
    auto* r = static_cast<Recorder*>(refcon);
    r->visits.push_back(Visit{x, y, in->green, out});
    out->red = in->green + 1;
    if (static_cast<int>(r->visits.size()) == r->failAt) return r->error;
    return PF_Err_NONE;
}

class Iterate : public ::testing::Test {
  protected:
    Iterate() {
        const void* table = nullptr;
        host.basicSuite()->AcquireSuite(kPFIterateFloatSuite, 1, &table);
        suite = static_cast<const PF_iterateFloatSuite1*>(table);
        for (int y = 0; y < src.height(); ++y) {
            for (int x = 0; x < src.width(); ++x) src.pixelF(x, y).green = float(y * 100 + x);
        }
    }
    HostApp host;
    HostProbe probe{host};
    const PF_iterateFloatSuite1* suite = nullptr;
    Layer src{7, 5, 32, 8};
    Layer dst{7, 5, 32, 16};
};

TEST_F(Iterate, VisitsEveryPixelOnceWithSourceAndDestinationAtTheSamePlace) {
    Recorder r;
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, dst.def()),
              PF_Err_NONE);
    ASSERT_EQ(r.visits.size(), 35u);
    for (const Visit& v : r.visits) {
        EXPECT_EQ(v.inGreen, float(v.y * 100 + v.x));
        EXPECT_EQ(v.out, &dst.pixelF(v.x, v.y));
    }
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.pixelF(x, y).red, float(y * 100 + x + 1));
    }
    EXPECT_TRUE(dst.paddingIntact());
    EXPECT_TRUE(src.paddingIntact());
}

TEST_F(Iterate, AreaLimitsTheVisit) {
    Recorder r;
    const PF_Rect area{2, 1, 5, 3};
    EXPECT_EQ(suite->iterate(nullptr, 0, 2, src.def(), &area, &r, record, dst.def()), PF_Err_NONE);
    ASSERT_EQ(r.visits.size(), 6u);
    EXPECT_EQ(r.visits.front().x, 2);
    EXPECT_EQ(r.visits.front().y, 1);
    EXPECT_EQ(r.visits.back().x, 4);
    EXPECT_EQ(r.visits.back().y, 2);
}

TEST_F(Iterate, StopsAtTheFirstErrorAndReturnsIt) {
    Recorder r;
    r.failAt = 10;
    r.error = PF_Err_OUT_OF_MEMORY;
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, dst.def()),
              PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.visits.size(), 10u);
    EXPECT_EQ(dst.pixelF(3, 1).red, 0.0f);  // pixel 11 was never visited
}

TEST_F(Iterate, RefusesADestinationSmallerThanTheSource) {
    Layer small(3, 3, 32);
    Recorder r;
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, small.def()),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(r.visits.empty());
    probe.failCall("iterate", 1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, dst.def()),
              PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(r.visits.empty());
}

TEST(PixelData, WorldsOfKnownDepthAnswerOnlyForThatDepth) {
    HostApp host;
    HostProbe probe{host};
    PF_UtilCallbacks* utils = host.utilCallbacks();
    Layer eight(2, 2, 8), sixteen(2, 2, 16);
    PF_Pixel8* p8 = nullptr;
    PF_Pixel16* p16 = nullptr;
    EXPECT_EQ(utils->get_pixel_data8(eight.def(), nullptr, &p8), PF_Err_NONE);
    EXPECT_EQ(p8, &eight.pixel8(0, 0));
    EXPECT_EQ(utils->get_pixel_data16(sixteen.def(), nullptr, &p16), PF_Err_NONE);
    EXPECT_EQ(p16, &sixteen.pixel16(0, 0));
    EXPECT_NE(utils->get_pixel_data16(eight.def(), nullptr, &p16), PF_Err_NONE);
    EXPECT_EQ(p16, nullptr);
    EXPECT_NE(utils->get_pixel_data8(sixteen.def(), nullptr, &p8), PF_Err_NONE);
    // Given pixels are handed back as they are.
    EXPECT_EQ(utils->get_pixel_data8(eight.def(), &eight.pixel8(1, 1), &p8), PF_Err_NONE);
    EXPECT_EQ(p8, &eight.pixel8(1, 1));
    probe.failCall("get_pixel_data8", 1, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(utils->get_pixel_data8(eight.def(), nullptr, &p8), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(p8, nullptr);
}

}  // namespace
