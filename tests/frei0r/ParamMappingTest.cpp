// The bridge's parameter list against what the effect registers, and the mapping of frei0r
// values onto the effect's values.
#include <gtest/gtest.h>

#include <string>

#include "BridgeParams.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"
#include "Host/PluginModule.h"

namespace Corvane::Tessory::Frei0r {
namespace {

// frei0r hosts read the list before any instance exists, so the bridge carries it; it
// has to say exactly what the effect registers, in the same order.
TEST(Frei0rParams, ListMatchesTheEffectsRegistration) {
    Host::HostApp app;
    Host::HostProbe probe{app};
    Host::PluginModule module(TESSORY_PLUGIN_FILE);
    Host::EffectInstance effect(app, module);
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);

    const auto& entries = paramEntries();
    size_t next = 0;
    for (size_t i = 1; i < effect.params().size(); ++i) {
        const PF_ParamDef& def = effect.params()[i].registered;
        if (def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END) {
            continue;
        }
        ASSERT_LT(next, entries.size()) << "the effect has more value parameters: " << def.name;
        const ParamEntry& entry = entries[next++];
        SCOPED_TRACE(entry.name);
        EXPECT_STREQ(def.name, entry.name);
        // Throws when the kind does not fit the registered type; ranges and choices as
        // registered, the default in the host's encoding.
        const Mapping m = Mapping::fromRegistered(entry, def, effect.params()[i].choicesText);
        EXPECT_EQ(m.min, entry.min);
        EXPECT_EQ(m.max, entry.max);
        EXPECT_EQ(m.choices, entry.choices);
        EXPECT_EQ(effect.params()[i].value, entry.def);
    }
    EXPECT_EQ(next, entries.size()) << "the bridge announces parameters the effect lacks";
}

// frei0r's 0..1 doubles map linearly onto the valid range (whole numbers rounded, out of
// range clamped), booleans at 0.5, colours to 8 bits with alpha 255, positions as fractions
// of the frame from the top left; and back.
TEST(Frei0rParams, ValuesMapOntoTheEffectsUnitsAndBack) {
    auto value = [](double d, f0r_param_color_t c = {}, f0r_param_position_t p = {}) {
        Value v;
        v.number = d;
        v.color = c;
        v.position = p;
        return v;
    };
    const struct {
        Kind kind;
        double min, max;
        Value in;
        Host::ParamValue out;
        bool roundTrips;
    } cases[] = {
        {Kind::Slider, 1, 20, value(0), {1}, true},
        {Kind::Slider, 1, 20, value(1), {20}, true},
        {Kind::Slider, 1, 20, value(0.5), {11}, false},  // 10.5, rounded
        {Kind::Slider, 1, 20, value(0.2), {5}, false},   // 4.8, rounded
        {Kind::Slider, 1, 20, value(-3), {1}, false},
        {Kind::Slider, 1, 20, value(7), {20}, false},
        {Kind::FloatSlider, -2000, 2000, value(0.53125), {125}, true},
        {Kind::FloatSlider, -2000, 2000, value(0.5 + 0.25 / 4000), {0.25}, true},
        {Kind::Angle, 0, 360, value(0.125), {45}, true},
        {Kind::Checkbox, 0, 0, value(0.49), {0}, false},
        {Kind::Checkbox, 0, 0, value(0.5), {1}, false},
        {Kind::Color, 0, 0, value(0, {1.0f, 0.5f, 0.0f}), {255, 255, 128, 0}, false},
        {Kind::Color, 0, 0, value(0, {2.0f, -1.0f, 0.2f}), {255, 255, 0, 51}, false},
        {Kind::Color, 0, 0, value(0, {0.2f, 0.4f, 1.0f}), {255, 51, 102, 255}, true},
        {Kind::Point, 0, 0, value(0, {}, {0.25, 0.75}), {24, 48, 0, 0}, true},
        {Kind::Point, 0, 0, value(0, {}, {-0.5, 1.5}), {-48, 96, 0, 0}, true},
    };
    for (const auto& c : cases) {
        const Mapping m{c.kind, c.min, c.max, {}};
        const Host::ParamValue host = toHost(m, c.in, 96, 64);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(host[i], c.out[i], 1e-9) << c.out[0];
        if (!c.roundTrips) continue;
        const Value back = fromHost(m, host, 96, 64);
        EXPECT_NEAR(back.number, c.in.number, 1e-12);
        EXPECT_FLOAT_EQ(back.color.r, c.in.color.r);
        EXPECT_FLOAT_EQ(back.color.b, c.in.color.b);
        EXPECT_DOUBLE_EQ(back.position.y, c.in.position.y);
    }
}

// Choices by name in any case and spacing, or by number; the ninth name is in the
// effect's text but not offered.
TEST(Frei0rParams, PopupsTakeTheChoiceText) {
    const std::vector<std::string> shapes = paramEntries()[0].choices;
    const std::pair<const char*, int> cases[] = {{"Hexagon", 6}, {"  t shape ", 8}, {"CIRCLE", 1},
                                                 {"3", 3},       {"Chevron", 0},    {"9", 0},
                                                 {"0", 0},       {"", 0},           {"Hex", 0}};
    for (const auto& [text, number] : cases) EXPECT_EQ(choiceNumber(shapes, text), number) << text;
    Mapping m{Kind::Popup, 0, 0, shapes};
    Value v;
    v.text = "Octagon";
    EXPECT_EQ(toHost(m, v, 96, 64)[0], 7);
    EXPECT_EQ(fromHost(m, {4, 0, 0, 0}, 96, 64).text, "Triangle");
}

}  // namespace
}  // namespace Corvane::Tessory::Frei0r
