// Parsing of the values users type and write in presets, against the effect's own list.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "commands/FrameRange.h"
#include "commands/Renderer.h"
#include "params/ParamParser.h"
#include "params/Preset.h"
#include "support/InputError.h"

using namespace Corvane::Tessory::Cli;

namespace {

// The message of the InputError that f throws; fails the test when it throws none.
template <typename F>
std::string errorOf(F&& f) {
    try {
        f();
    } catch (const InputError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no InputError";
    return {};
}

class ParamParserTest : public ::testing::Test {
  protected:
    ParamParser parser{Renderer(TESSORY_PLUGIN_PATH, false, "cpu").params()};
};

}  // namespace

TEST_F(ParamParserTest, NamesMatchIgnoringCaseAndSpaces) {
    EXPECT_EQ(parser.find("shape size 1").index, 2);
    EXPECT_EQ(parser.find("  SHAPE TYPE ").index, 1);
    EXPECT_NE(
        errorOf([&] { parser.find("Shape Size 3"); }).find("unknown parameter \"Shape Size 3\""),
        std::string::npos);
    EXPECT_NE(errorOf([&] { parser.find("Edge"); }).find("takes no value"), std::string::npos);
    // The unnamed group end must not match an empty name.
    EXPECT_NE(errorOf([&] { parser.find(""); }).find("unknown parameter"), std::string::npos);
}

// Each text a user may type or write in a preset, with the value it gives or a piece of the
// one-line error.
TEST_F(ParamParserTest, ValuesOrErrorsPerKind) {
    const struct {
        const char* name;
        const char* text;
        std::vector<double> value;  // empty: an error containing `error`
        const char* error;
        bool json = false;  // the text is a preset's JSON value
    } cases[] = {
        {"Shape Size 1", "0", {0}, ""},
        {"Shape Size 1", " 2000 ", {2000}, ""},  // valid, although past the slider
        {"Shape Size 1", "2001", {}, "\"Shape Size 1\": 2001 is out of range 0 to 2000"},
        {"Shape Size 1", "-1", {}, "out of range 0 to 2000"},
        {"Shape Size 1", "12.5", {}, "not a whole number"},
        {"Shape Size 1", "", {}, "is not a number"},
        {"Shape Size 1", "12px", {}, "is not a number"},
        {"Shape Size 1", "nan", {}, "is not a number"},
        {"Shape Size 1", "inf", {}, "is not a number"},
        {"Shape Size 1", "1e999", {}, "is not a number"},
        {"Position X Offset", "-12.25", {-12.25}, ""},
        {"Position X Offset", "+3", {3}, ""},
        {"Position X Offset",
         "-2000.5",
         {},
         "\"Position X Offset\": -2000.5 is out of range -2000 to 2000"},
        {"Shape Rotation", "720", {720}, ""},  // both limits zero: any angle
        {"Shape Type", "ring", {2}, ""},
        {"Shape Type", "T SHAPE", {8}, ""},
        {"Shape Type", "3", {3}, ""},
        // A name in the text beyond the offered count is not a choice.
        {"Shape Type",
         "Chevron",
         {},
         "unknown choice \"Chevron\" (choices: Circle, Ring, Cross, Triangle, Rectangle, Hexagon, "
         "Octagon, T Shape)"},
        {"Shape Type", "9", {}, "out of range 1 to 8"},
        {"Shape Type", "0", {}, "out of range 1 to 8"},
        {"Shape Type", "1.5", {}, "out of range"},
        {"Transparent Background", "on", {1}, ""},
        {"Transparent Background", "OFF", {0}, ""},
        {"Transparent Background", "maybe", {}, "not on or off"},
        {"Shadow Color", "#FF8000", {255, 255, 128, 0}, ""},
        {"Shadow Color", "#80ff8000", {128, 255, 128, 0}, ""},
        {"Shadow Color", "FF8000", {}, "#RRGGBB or #AARRGGBB"},
        {"Shadow Color", "#FF800", {}, "#RRGGBB or #AARRGGBB"},
        {"Shadow Color", "#GG8000", {}, "#RRGGBB or #AARRGGBB"},
        {"Shape Center", "960,540", {960, 540, 0, 0}, ""},
        {"Shape Center", " -10.5 , 20 ", {-10.5, 20, 0, 0}, ""},
        {"Shape Center", "960,", {}, "not a point"},
        {"Shape Center", ",5", {}, "not a point"},
        {"Shape Center", "1,2,3", {}, "not a point"},
        // In presets: numbers, the same texts as on the command line, booleans for checkboxes
        // only.
        {"Shape Size 1", "400", {400}, "", true},
        {"Shape Size 1", "\"400\"", {400}, "", true},
        {"Shape Size 1", "4000", {}, "out of range", true},
        {"Shape Size 1", "true", {}, "checkboxes", true},
        {"Transparent Background", "true", {1}, "", true},
        {"Shape Type", "2", {2}, "", true},
        {"Shape Center", "[10, 20]", {10, 20, 0, 0}, "", true},
        {"Shadow Color", "5", {}, "not a single number", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = '" + c.text + "'");
        auto parse = [&] {
            const ParamInfo& param = parser.find(c.name);
            return c.json ? parser.fromJson(param, nlohmann::json::parse(c.text))
                          : parser.parse(param, c.text);
        };
        if (c.value.empty()) {
            EXPECT_NE(errorOf(parse).find(c.error), std::string::npos);
        } else {
            const ParamValue v = parse();
            EXPECT_EQ(std::vector<double>(v.begin(), v.begin() + c.value.size()), c.value);
        }
    }
}

TEST_F(ParamParserTest, AssignmentsSplitAtTheFirstEquals) {
    const auto [param, value] = parser.assignment("shape type=Ring");
    EXPECT_EQ(param->index, 1);
    EXPECT_EQ(value[0], 2);
    EXPECT_NE(errorOf([&] { parser.assignment("Shape Type"); }).find("not NAME=VALUE"),
              std::string::npos);
    EXPECT_NE(errorOf([&] { parser.assignment("Nope=1"); }).find("unknown parameter \"Nope\""),
              std::string::npos);
}

TEST_F(ParamParserTest, PresetsWithValuesAndKeys) {
    const Preset preset = Preset::parse(R"({
        "shape type": "Ring",
        "Shape Size 1": [[2.5, 400], [0, 100]],
        "Shape Center": [10, 20],
        "Shadow Color": [[0, "#FF0000"], [1, "#0000FF"]]
    })",
                                        parser, "p.json");
    ASSERT_EQ(preset.entries().size(), 4u);
    const auto& e = preset.entries();
    EXPECT_EQ(e[0].index, 1);
    EXPECT_FALSE(e[0].animated);
    EXPECT_EQ(e[0].value[0], 2);
    EXPECT_TRUE(e[1].animated);
    ASSERT_EQ(e[1].keys.size(), 2u);
    EXPECT_EQ(e[1].keys[0].seconds, 0);  // sorted by time
    EXPECT_EQ(e[1].keys[0].value[0], 100);
    EXPECT_EQ(e[1].keys[1].seconds, 2.5);
    EXPECT_FALSE(e[2].animated);  // a plain point is not a list of keys
    EXPECT_EQ(e[2].value, (ParamValue{10, 20, 0, 0}));
    EXPECT_TRUE(e[3].animated);
    EXPECT_EQ(e[3].keys[1].value, (ParamValue{255, 0, 0, 255}));
}

TEST_F(ParamParserTest, BadPresetsNameTheFileAndTheProblem) {
    const std::pair<const char*, const char*> cases[] = {
        {"{\"Shape Type\": ", "preset 'p.json': bad JSON"},
        {"[1, 2]", "expected an object"},
        {R"({"Size": 3})", "unknown parameter \"Size\""},
        {R"({"Shape Size 1": [[0, 100], [1, 5000]]})", "5000 is out of range"},
        {R"({"Shape Size 1": [[-1, 100]]})", "negative"},
        {R"({"Shape Size 1": []})", "empty list"},
        {R"({"Shape Size 1": 1, "shape size 1": 2})", "given twice"},
        {R"({"Shape Type": "Chevron"})", "unknown choice"},
    };
    for (const auto& [json, error] : cases) {
        EXPECT_NE(errorOf([&] { Preset::parse(json, parser, "p.json"); }).find(error),
                  std::string::npos)
            << json;
    }
    EXPECT_NE(errorOf([&] {
                  Preset::load("/nonexistent/p.json", parser);
              }).find("cannot read preset '/nonexistent/p.json'"),
              std::string::npos);
}

TEST(FrameRangeTest, Parsing) {
    const FrameRange r = FrameRange::parse("3-10");
    EXPECT_EQ(r.first, 3);
    EXPECT_EQ(r.last, 10);
    EXPECT_EQ(r.count(), 8);
    EXPECT_TRUE(r.contains(10));
    EXPECT_FALSE(r.contains(11));
    EXPECT_EQ(FrameRange::parse("7").count(), 1);
    for (const char* bad : {"", "a-b", "5-2", "-3", "3-", "1-2-3", "1.5-3"}) {
        EXPECT_NE(errorOf([&] { FrameRange::parse(bad); }).find("bad frame range"),
                  std::string::npos)
            << bad;
    }
}
