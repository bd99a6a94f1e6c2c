// The "qx_tessory" filter in real libobs: what OBS composites against what the command line
// renders with the same values, the properties dialog against the effect's registration,
// stored values that a scene collection got wrong, and memory over many frames and filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ObsSession.h"
#include "PeakResident.h"
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

/// RGBA composited over an opaque colour as OBS blends an sRGB-aware source: in linear light.
std::vector<uint8_t> over(std::vector<uint8_t> top, const uint8_t below[3]) {
    auto linear = [](double v) {
        v /= 255;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    auto encoded = [](double v) {
        v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    for (size_t i = 0; i < top.size(); i += 4) {
        const double a = top[i + 3] / 255.0;
        for (int c = 0; c < 3; ++c) {
            top[i + c] = encoded(linear(top[i + c]) * a + linear(below[c]) * (1 - a));
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
    // What a hand-edited or older scene collection may hold: numbers out of range are
    // clamped to the valid range, values of the wrong type take the default.
    {"out of range",
     R"({"shadow_size": 5000, "instances": 50, "shadow_opacity": -20, "shape_type": 99,
         "rotation_offset": 1e300})",
     "--set 'Shadow Size=1000' --set Instances=20 --set 'Shadow Opacity=0' "
     "--set 'Shape Type=8' --set 'Rotation Offset=360'"},
    {"wrong types",
     R"({"shape_size_1": "big", "transparent_background": "yes", "shadow_color": "red",
         "shape_center_x": [1, 2], "instances": {"n": 3}, "edge_type": true,
         "shape_size_2": 40, "shape_size_2_offset": 9})",
     "--set 'Shape Size 2=40' --set 'Shape Size 2 Offset=9'"},
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
        const std::vector<uint8_t> shown = obs.frameWith(image, c.settings);
        const long far = farPixels(shown, over(rendered(c.tessory), kBelow));
        EXPECT_GE(far, 0);
        EXPECT_LE(far, kWidth * kHeight / 1000) << "pixels more than 2/255 apart";
        EXPECT_GT(farPixels(shown, source), kWidth * kHeight / 100) << "the filter drew nothing";
    }
    // Each value it could not take, once, in OBS's log.
    const std::string log = obs.problems();
    for (const char* said : {"shadow_size = 5000 is outside 0 to 1000; clamped",
                             "shape_size_1 is not a number", "transparent_background is not true",
                             "shape_center_x is not a number", "edge_type is not a number"}) {
        EXPECT_NE(log.find(std::string("[qx-tessory] ") + said), std::string::npos) << said;
    }
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 11) << log;
}

/// One line per property of the dialog: key, group, kind, slider range, choices, default,
/// tooltip, and whether it is hidden.
std::vector<std::string> dialog(obs_properties_t* props, obs_data_t* defaults,
                                const std::string& group = "") {
    std::vector<std::string> out;
    for (obs_property_t* p = obs_properties_first(props); p; obs_property_next(&p)) {
        const char* key = obs_property_name(p);
        std::ostringstream line;
        line << key << " \"" << obs_property_description(p) << "\" in '" << group << "': ";
        switch (obs_property_get_type(p)) {
            case OBS_PROPERTY_GROUP: {
                const auto inner = dialog(obs_property_group_content(p), defaults, key);
                out.insert(out.end(), inner.begin(), inner.end());
                continue;
            }
            case OBS_PROPERTY_LIST:
                line << "list";
                for (size_t i = 0; i < obs_property_list_item_count(p); ++i) {
                    line << " " << obs_property_list_item_int(p, i) << "="
                         << obs_property_list_item_name(p, i);
                }
                line << " default " << obs_data_get_default_int(defaults, key);
                break;
            case OBS_PROPERTY_BOOL:
                line << "bool default " << obs_data_get_default_bool(defaults, key);
                break;
            case OBS_PROPERTY_COLOR:
                line << "colour default " << std::hex << obs_data_get_default_int(defaults, key);
                break;
            case OBS_PROPERTY_INT:
                line << "slider " << obs_property_int_min(p) << " to " << obs_property_int_max(p)
                     << " default " << obs_data_get_default_int(defaults, key);
                break;
            case OBS_PROPERTY_FLOAT:
                if (obs_property_float_type(p) == OBS_NUMBER_SLIDER) {
                    line << "slider " << obs_property_float_min(p) << " to "
                         << obs_property_float_max(p);
                } else {
                    line << "number";
                }
                if (obs_data_has_default_value(defaults, key)) {
                    line << " default " << obs_data_get_default_double(defaults, key);
                }
                break;
            default:
                line << "unexpected kind";
        }
        if (const char* tip = obs_property_long_description(p)) line << " (" << tip << ")";
        out.push_back(line.str() + (obs_property_visible(p) ? "" : " hidden"));
    }
    return out;
}

/// The same lines as the effect's registration (tessory params) says they should be. Points
/// are two numbers without a default: the centre follows the source's size.
std::vector<std::string> registration() {
    const nlohmann::json registered =
        nlohmann::json::parse(run(std::string(TESSORY_CLI) + " params --json").out);
    std::vector<std::string> out;
    std::string group;
    for (const nlohmann::json& param : registered) {
        const std::string type = param["type"];
        std::string key = param["name"];
        for (char& c : key) c = std::isalnum(uint8_t(c)) ? char(std::tolower(uint8_t(c))) : '_';
        if (type == "group start") group = key;
        if (type == "group end") group.clear();
        if (!param["settable"]) continue;
        const std::string name = param["name"];
        std::ostringstream line;
        line << key << " \"" << name << "\" in '" << group << "': ";
        const double value = param["defaultValue"].is_number() ? double(param["defaultValue"]) : 0;
        if (type == "popup") {
            line << "list";
            for (size_t i = 0; i < param["choices"].size(); ++i) {
                line << " " << i + 1 << "=" << std::string(param["choices"][i]);
            }
            line << " default " << value;
        } else if (type == "checkbox") {
            line << "bool default " << value;
        } else if (type == "color") {
            line << "colour default ff000000";  // opaque black as 0xAABBGGRR
        } else if (type == "slider" || type == "float slider") {
            line << "slider " << double(param["slider"][0]) << " to " << double(param["slider"][1])
                 << " default " << value;
            if (param["valid"] != param["slider"]) {
                line << " (Accepts " << double(param["valid"][0]) << " to "
                     << double(param["valid"][1]) << ")";
            }
        } else if (type == "angle") {
            line << "number default " << value;
        } else if (type == "point") {
            const std::string shown = param["shown"] ? "" : " hidden";
            for (const char* axis : {"x", "y"}) {
                out.push_back(key + "_" + axis + " \"" + name + " " + char(std::toupper(*axis)) +
                              "\" in '" + group + "': number" + shown);
            }
            continue;
        }
        out.push_back(line.str() + (param["shown"] ? "" : " hidden"));
    }
    return out;
}

// Every key, kind, range and default against the same module's registration; Edge Type
// shows the shadow's or the stroke's controls, as the effect's visibility rules say, through
// the property's modified callback.
TEST_F(ObsFilter, DialogFollowsTheRegistrationAndEdgeType) {
    ObsSession obs(kWidth, kHeight);
    obs_source_t* image = obs.addImage(dir / "in.png");
    obs_source_t* filter = obs.addFilter(image, "{}");
    obs_properties_t* props = obs_source_properties(filter);
    obs_data_t* defaults = obs_get_source_defaults("qx_tessory");
    obs_data_t* settings = obs_source_get_settings(filter);
    const std::vector<std::string> shadowShown = registration();
    ASSERT_EQ(shadowShown.size(), 24u);
    EXPECT_EQ(dialog(props, defaults), shadowShown);

    std::vector<std::string> strokeShown;
    for (std::string line : shadowShown) {
        const bool hidden = line.ends_with(" hidden");
        if (hidden && line.starts_with("stroke_")) line.erase(line.size() - 7);
        if (!hidden && line.starts_with("shadow_")) line += " hidden";
        strokeShown.push_back(line);
    }
    for (const int edgeType : {2, 1}) {
        obs_data_set_int(settings, "edge_type", edgeType);
        EXPECT_TRUE(obs_property_modified(obs_properties_get(props, "edge_type"), settings));
        EXPECT_EQ(dialog(props, defaults), edgeType == 2 ? strokeShown : shadowShown);
    }
    obs_data_release(settings);
    obs_data_release(defaults);
    obs_properties_destroy(props);
    obs_source_filter_remove(image, filter);
    obs_source_release(filter);
}

// libobs draws a filter removed from its source during the frame that holds it: it then has
// neither target nor parent, and must draw nothing.
TEST_F(ObsFilter, DrawnAfterItsRemovalItDrawsNothing) {
    ObsSession obs(kWidth, kHeight);
    obs_source_t* image = obs.addImage(dir / "in.png");
    obs_source_t* filter = obs.addFilter(image, "{}");
    obs.frameAfter(2);
    obs_source_filter_remove(image, filter);
    obs_enter_graphics();
    obs_source_video_render(filter);
    obs_leave_graphics();
    obs_source_release(filter);
    EXPECT_EQ(obs.problems().find("qx-tessory"), std::string::npos) << obs.problems();
}

// An hour of live video must not grow memory: 200 filters added and removed, then 3,000
// frames of 1280x720 through one, leave the process's memory and libobs's count of live
// allocations where they were.
TEST(ObsFilterMemory, AddingRemovingAndThousandsOfFramesStayFlat) {
    keepLargeBlocksMapped();  // else a freed frame may stay resident, 3.7 MB at a time
    TempDir dir;
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720 -frames:v 1 " +
                  quote(dir / "in.png"))
                  .status,
              0);
    ObsSession obs(1280, 720, 60);
    obs_source_t* image = obs.addImage(dir / "in.png");
    // Each filter is gone before the next comes: on a loaded machine, filters that pile up
    // behind libobs's destruction thread would look like a leak.
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            obs.frameWith(image, R"({"instances": 8})", 1);
            obs.settle();
        }
    };
    cycle(10);
    const uint64_t rss0 = residentBytes();
    const long allocs0 = bnum_allocs();
    cycle(200);
    const uint64_t rss1 = residentBytes();
    const long allocs1 = bnum_allocs();
    // One filter's frames alone are 7 MB: a filter kept would show at once.
    EXPECT_LT(double(rss1) - double(rss0), 16e6);
    EXPECT_LT(std::abs(allocs1 - allocs0), 100);

    obs_source_t* filter = obs.addFilter(image, R"({"instances": 8})");
    obs.renderedAfter(300);
    const uint64_t rss2 = residentBytes();
    const long allocs2 = bnum_allocs();
    obs.renderedAfter(3000);
    const uint64_t rss3 = residentBytes();
    const long allocs3 = bnum_allocs();
    EXPECT_LT(double(rss3) - double(rss2), 8e6) << "a leak of 3 KB a frame shows";
    EXPECT_LT(std::abs(allocs3 - allocs2), 100);
    obs_source_filter_remove(image, filter);
    obs_source_release(filter);
    EXPECT_EQ(obs.problems().find("qx-tessory"), std::string::npos) << obs.problems();
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
