// The "qx_tessory" filter in real libobs: what OBS composites against what the command line
// renders with the same values, the properties dialog against the effect's registration,
// stored values that a scene collection got wrong, and memory over many frames and filters.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <map>

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

/// Every property of the dialog by key, with the group that holds it ("" at the top).
std::map<std::string, std::pair<obs_property_t*, std::string>> propertiesOf(
    obs_properties_t* props, const std::string& group = "") {
    std::map<std::string, std::pair<obs_property_t*, std::string>> out;
    for (obs_property_t* p = obs_properties_first(props); p; obs_property_next(&p)) {
        if (obs_property_get_type(p) == OBS_PROPERTY_GROUP) {
            out.merge(propertiesOf(obs_property_group_content(p), obs_property_name(p)));
        } else {
            out[obs_property_name(p)] = {p, group};
        }
    }
    return out;
}

// Every key, kind, range and default against what tessory params reads from the same
// module's registration.
TEST_F(ObsFilter, PropertiesAndDefaultsFollowTheRegistration) {
    ObsSession obs(kWidth, kHeight);
    obs_source_t* image = obs.addImage(dir / "in.png");
    obs_source_t* filter = obs.addFilter(image, "{}");
    obs_properties_t* props = obs_source_properties(filter);
    const auto properties = propertiesOf(props);
    obs_data_t* defaults = obs_get_source_defaults("qx_tessory");

    const nlohmann::json registered =
        nlohmann::json::parse(run(std::string(TESSORY_CLI) + " params --json").out);
    std::string group;
    size_t keys = 0;
    for (const nlohmann::json& param : registered) {
        const std::string type = param["type"];
        std::string key = param["name"];
        for (char& c : key) c = std::isalnum(uint8_t(c)) ? char(std::tolower(uint8_t(c))) : '_';
        if (type == "group start") group = key;
        if (type == "group end") group.clear();
        if (!param["settable"]) continue;
        SCOPED_TRACE(key);
        if (type == "point") {
            for (const char* axis : {"_x", "_y"}) {
                ASSERT_TRUE(properties.count(key + axis));
                EXPECT_EQ(obs_property_get_type(properties.at(key + axis).first),
                          OBS_PROPERTY_FLOAT);
                EXPECT_FALSE(obs_data_has_default_value(defaults, (key + axis).c_str()))
                    << "the centre follows the source's size";
                ++keys;
            }
            continue;
        }
        ASSERT_TRUE(properties.count(key));
        ++keys;
        const auto& [p, in] = properties.at(key);
        EXPECT_EQ(in, group);
        EXPECT_STREQ(obs_property_description(p), param["name"].get<std::string>().c_str());
        const double byDefault = param["defaultValue"].is_number() ? param["defaultValue"].get<double>() : 0;
        if (type == "popup") {
            ASSERT_EQ(obs_property_get_type(p), OBS_PROPERTY_LIST);
            const auto& choices = param["choices"];
            ASSERT_EQ(obs_property_list_item_count(p), choices.size());
            for (size_t i = 0; i < choices.size(); ++i) {
                EXPECT_EQ(obs_property_list_item_int(p, i), static_cast<long long>(i + 1));
                EXPECT_EQ(obs_property_list_item_name(p, i), choices[i].get<std::string>());
            }
            EXPECT_EQ(obs_data_get_default_int(defaults, key.c_str()), llround(byDefault));
        } else if (type == "checkbox") {
            EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_BOOL);
            EXPECT_EQ(obs_data_get_default_bool(defaults, key.c_str()), byDefault != 0);
        } else if (type == "color") {
            EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_COLOR);
            EXPECT_EQ(obs_data_get_default_int(defaults, key.c_str()), 0xFF000000)
                << "black, opaque, as 0xAABBGGRR";
        } else if (type == "slider" || type == "float slider") {
            const bool whole = type == "slider";
            EXPECT_EQ(obs_property_get_type(p), whole ? OBS_PROPERTY_INT : OBS_PROPERTY_FLOAT);
            const double low = whole ? obs_property_int_min(p) : obs_property_float_min(p);
            const double high = whole ? obs_property_int_max(p) : obs_property_float_max(p);
            EXPECT_EQ(low, param["slider"][0].get<double>());
            EXPECT_EQ(high, param["slider"][1].get<double>());
            EXPECT_EQ(whole ? double(obs_data_get_default_int(defaults, key.c_str()))
                            : obs_data_get_default_double(defaults, key.c_str()),
                      byDefault);
            if (param["valid"] != param["slider"]) {
                const std::string tip = obs_property_long_description(p) ? obs_property_long_description(p) : "";
                EXPECT_NE(tip.find(std::to_string(param["valid"][1].get<int>())), std::string::npos)
                    << "the valid range, which a stored value may use, in the tooltip: " << tip;
            }
        } else if (type == "angle") {
            EXPECT_EQ(obs_property_get_type(p), OBS_PROPERTY_FLOAT);
            EXPECT_EQ(obs_data_get_default_double(defaults, key.c_str()), byDefault);
        } else {
            ADD_FAILURE() << "a kind the dialog does not know: " << type;
        }
    }
    EXPECT_EQ(keys, 24u);
    EXPECT_EQ(properties.size(), keys);
    obs_data_release(defaults);
    obs_properties_destroy(props);
    obs_source_filter_remove(image, filter);
    obs_source_release(filter);
}

// Edge Type shows the shadow's or the stroke's controls, as the effect's own visibility
// rules say, through the property's modified callback.
TEST_F(ObsFilter, EdgeTypeShowsTheShadowOrTheStrokeControls) {
    ObsSession obs(kWidth, kHeight);
    obs_source_t* image = obs.addImage(dir / "in.png");
    obs_source_t* filter = obs.addFilter(image, "{}");
    obs_properties_t* props = obs_source_properties(filter);
    obs_data_t* settings = obs_source_get_settings(filter);
    const char* shadow[] = {"shadow_size", "shadow_color", "shadow_opacity"};
    const char* stroke[] = {"stroke_size", "stroke_color", "stroke_opacity"};
    for (const int edgeType : {1, 2, 1}) {
        SCOPED_TRACE(edgeType);
        obs_data_set_int(settings, "edge_type", edgeType);
        EXPECT_TRUE(obs_property_modified(obs_properties_get(props, "edge_type"), settings))
            << "the dialog is redrawn";
        for (const char* key : shadow) {
            EXPECT_EQ(obs_property_visible(obs_properties_get(props, key)), edgeType == 1) << key;
        }
        for (const char* key : stroke) {
            EXPECT_EQ(obs_property_visible(obs_properties_get(props, key)), edgeType == 2) << key;
        }
        EXPECT_TRUE(obs_property_visible(obs_properties_get(props, "instances")));
    }
    obs_data_release(settings);
    obs_properties_destroy(props);
    obs_source_filter_remove(image, filter);
    obs_source_release(filter);
}

// What a hand-edited or older scene collection may hold: numbers out of range are clamped
// to the valid range, values of the wrong type take the default; the filter draws what the
// command line draws with the values it kept, and says so once in OBS's log.
TEST_F(ObsFilter, StoredValuesOutOfRangeOrOfTheWrongTypeAreClamped) {
    const Case cases[] = {
        {"out of range",
         R"({"shape_size_1": 5000, "instances": 50, "shadow_opacity": -20, "shape_type": 99,
             "rotation_offset": 1e300, "shape_center_x": -1e9})",
         "--set 'Shape Size 1=2000' --set Instances=20 --set 'Shadow Opacity=0' "
         "--set 'Shape Type=8' --set 'Rotation Offset=360' --set 'Shape Center=-100000,120'"},
        {"wrong types",
         R"({"shape_size_1": "big", "transparent_background": "yes", "shadow_color": "red",
             "shape_center_x": [1, 2], "instances": {"n": 3}, "edge_type": true,
             "shape_size_2": 40})",
         "--set 'Shape Size 2=40'"},
    };
    ObsSession obs(kWidth, kHeight);
    obs_source_t* image = obs.addImage(dir / "in.png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        obs_source_t* filter = obs.addFilter(image, c.settings);
        const std::vector<uint8_t> shown = obs.frameAfter(4);
        obs_source_filter_remove(image, filter);
        obs_source_release(filter);
        const long far = farPixels(shown, rendered(c.tessory));
        EXPECT_GE(far, 0);
        EXPECT_LE(far, kWidth * kHeight / 1000) << "pixels more than 2/255 apart";
    }
    const std::string log = obs.problems();
    for (const char* said : {"shape_size_1 = 5000 is outside 0 to 2000; clamped",
                             "shape_size_1 is not a number", "transparent_background is not true",
                             "shape_center_x is clamped", "edge_type is not a number"}) {
        EXPECT_NE(log.find(std::string("[qx-tessory] ") + said), std::string::npos) << said << "\n" << log;
    }
}

// An hour of live video must not grow memory: 200 filters added and removed, then 3,000
// frames of 1280x720 through one, leave the process's memory and libobs's count of live
// allocations where they were.
TEST(ObsFilterMemory, AddingRemovingAndThousandsOfFramesStayFlat) {
    TempDir dir;
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720 -frames:v 1 " +
                  quote(dir / "in.png"))
                  .status,
              0);
    ObsSession obs(1280, 720, 60);
    obs_source_t* image = obs.addImage(dir / "in.png");
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            obs_source_t* filter = obs.addFilter(image, R"({"instances": 8})");
            obs.renderedAfter(1);
            obs_source_filter_remove(image, filter);
            obs_source_release(filter);
        }
        obs.renderedAfter(10);  // libobs destroys released sources on a thread of its own
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
