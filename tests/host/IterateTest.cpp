// The float iterate suite and the pixel-data callbacks.
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

// An area limits the visit; the first error stops it and is returned; a destination
// smaller than the source, or a failing host, visits nothing.
TEST_F(Iterate, AreaErrorsAndRefusals) {
    Recorder r;
    const PF_Rect area{2, 1, 5, 3};
    EXPECT_EQ(suite->iterate(nullptr, 0, 2, src.def(), &area, &r, record, dst.def()), PF_Err_NONE);
    ASSERT_EQ(r.visits.size(), 6u);
    EXPECT_EQ(std::make_pair(r.visits.front().x, r.visits.front().y), std::make_pair(2, 1));
    EXPECT_EQ(std::make_pair(r.visits.back().x, r.visits.back().y), std::make_pair(4, 2));

    r = Recorder{{}, 10, PF_Err_OUT_OF_MEMORY};
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, dst.def()),
              PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.visits.size(), 10u);
    EXPECT_EQ(dst.pixelF(5, 1).red, 0.0f);  // pixel 13: never visited

    Layer small(3, 3, 32);
    r = Recorder{};
    EXPECT_EQ(suite->iterate(nullptr, 0, 5, src.def(), nullptr, &r, record, small.def()),
              PF_Err_BAD_CALLBACK_PARAM);
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
