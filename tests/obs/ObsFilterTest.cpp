// The "qx_tessory" filter in real libobs: what OBS composites against what the command line
// renders with the same values, the properties dialog against the effect's registration,
// stored values that a scene collection got wrong, and memory over many frames and filters.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ObsSession.h"
#include "Programs.h"

namespace Corvane::Tessory::Testing {
namespace {

constexpr int kWidth = 320, kHeight = 240;

class ObsFilter : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(
            run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=" + std::to_string(kWidth) +
                "x" + std::to_string(kHeight) + " -frames:v 1 " + quote(dir / "in.png"))
                .status,
            0);
    }
    /// tessory render of in.png with these options, as RGBA.
    std::vector<uint8_t> rendered(const std::string& options) {
        const Result r = run(std::string(TESSORY_CLI) + " render -q -i " + quote(dir / "in.png") +
                             " -o " + quote(dir / "t.png") + " " + options);
        EXPECT_EQ(r.status, 0) << options;
        return rgba(dir / "t.png");
    }
    TempDir dir;
};

/// RGBA composited over an opaque colour, as OBS blends a straight-alpha source.
std::vector<uint8_t> over(std::vector<uint8_t> top, const uint8_t below[3]) {
    for (size_t i = 0; i < top.size(); i += 4) {
        const double a = top[i + 3] / 255.0;
        for (int c = 0; c < 3; ++c) {
            top[i + c] = uint8_t(std::lround(top[i + c] * a + below[c] * (1 - a)));
        }
        top[i + 3] = 255;
    }
    return top;
}

struct Case {
    const char* what;
    const char* settings;  // the filter's settings as a scene collection stores them
    const char* tessory;   // the same values for tessory render
};

const Case kCases[] = {
    {"defaults", "{}", ""},
    {"hexagon, stroke, fill inside",
     R"({"shape_type": 6, "edge_type": 2, "fill_type": 2, "stroke_size": 8,
         "stroke_color": 4294934560, "shape_size_1": 80})",
     "--set 'Shape Type=Hexagon' --set 'Edge Type=Stroke' --set 'Fill Type=Fill Inside' "
     "--set 'Stroke Size=8' --set 'Stroke Color=#FF2080FF' --set 'Shape Size 1=80'"},
    {"20 instances",
     R"({"instances": 20, "shape_size_1": 40, "scale_x_offset": 15, "rotation_offset": 12,
         "position_x_offset": 6, "opacity_offset": 4})",
     "--set Instances=20 --set 'Shape Size 1=40' --set 'Scale X Offset=15' "
     "--set 'Rotation Offset=12' --set 'Position X Offset=6' --set 'Opacity Offset=4'"},
    {"off-centre shape centre",
     R"({"shape_center_x": 60, "shape_center_y": 200, "shape_size_1": 80,
         "shape_rotation": 30})",
     "--set 'Shape Center=60,200' --set 'Shape Size 1=80' --set 'Shape Rotation=30'"},
    {"transparent background",
     R"({"transparent_background": true, "shape_size_1": 90, "shadow_opacity": 70})",
     "--set 'Transparent Background=on' --set 'Shape Size 1=90' --set 'Shadow Opacity=70'"},
};

TEST_F(ObsFilter, DrawsWhatTheCommandLineDrawsOverWhatLiesBelow) {
    ObsSession obs(kWidth, kHeight);
    // Below the picture, a colour that shows through wherever the filter leaves alpha.
    constexpr uint8_t kBelow[3] = {200, 30, 60};
    obs.addColour(0xFF3C1EC8);  // 0xAABBGGRR
    obs_source_t* image = obs.addImage(dir / "in.png");
    const std::vector<uint8_t> source = obs.frameAfter(3);
    ASSERT_EQ(farPixels(source, rgba(dir / "in.png")), 0)
        << "OBS does not show the picture as it is";

    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        obs_source_t* filter = obs.addFilter(image, c.settings);
        const std::vector<uint8_t> shown = obs.frameAfter(4);
        obs_source_filter_remove(image, filter);
        obs_source_release(filter);
        const std::vector<uint8_t> expected = over(rendered(c.tessory), kBelow);
        const long far = farPixels(shown, expected);
        EXPECT_GE(far, 0);
        EXPECT_LE(far, kWidth * kHeight / 1000) << "pixels more than 2/255 apart";
        EXPECT_GT(farPixels(shown, source), kWidth * kHeight / 100) << "the filter drew nothing";
    }
    EXPECT_EQ(obs.problems().find("qx-tessory"), std::string::npos) << obs.problems();
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
