// The bridge's parameter list against what the effect registers, and the mapping of frei0r
// values onto the effect's values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "BridgeParams.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"
#include "Host/PluginModule.h"

namespace Corvane::Tessory::Frei0r {
namespace {

std::vector<std::string> split(const std::string& text, int offered) {
    std::vector<std::string> out;
    size_t start = 0;
    while (static_cast<int>(out.size()) < offered) {
        const size_t bar = text.find('|', start);
        out.push_back(text.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

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
        // Throws when the kind does not fit the registered type.
        const Mapping m = Mapping::fromRegistered(entry, def, effect.params()[i].choicesText);
        switch (entry.kind) {
            case Kind::Slider:
                EXPECT_EQ(def.u.sd.valid_min, entry.min);
                EXPECT_EQ(def.u.sd.valid_max, entry.max);
                EXPECT_EQ(def.u.sd.dephault, entry.def[0]);
                break;
            case Kind::FloatSlider:
                EXPECT_EQ(def.u.fs_d.valid_min, entry.min);
                EXPECT_EQ(def.u.fs_d.valid_max, entry.max);
                EXPECT_EQ(def.u.fs_d.dephault, entry.def[0]);
                break;
            case Kind::Angle:
                EXPECT_EQ(def.u.ad.dephault / 65536.0, entry.def[0]);
                break;
            case Kind::Popup:
                EXPECT_EQ(def.u.pd.dephault, entry.def[0]);
                EXPECT_EQ(split(effect.params()[i].choicesText, def.u.pd.num_choices),
                          entry.choices);
                EXPECT_EQ(m.choices, entry.choices);
                break;
            case Kind::Checkbox:
                EXPECT_EQ(def.u.bd.dephault, entry.def[0]);
                break;
            case Kind::Color:
                EXPECT_EQ(def.u.cd.dephault.alpha, entry.def[0]);
                EXPECT_EQ(def.u.cd.dephault.red, entry.def[1]);
                EXPECT_EQ(def.u.cd.dephault.green, entry.def[2]);
                EXPECT_EQ(def.u.cd.dephault.blue, entry.def[3]);
                break;
            case Kind::Point:
                EXPECT_EQ(def.u.td.x_dephault / 65536.0, entry.def[0]);
                EXPECT_EQ(def.u.td.y_dephault / 65536.0, entry.def[1]);
                break;
        }
    }
    EXPECT_EQ(next, entries.size()) << "the bridge announces parameters the effect lacks";
}

Mapping mapping(Kind kind, double min, double max) {
    return Mapping{kind, min, max, {}};
}

Value number(double d) {
    Value v;
    v.number = d;
    return v;
}

TEST(Frei0rParams, DoublesMapLinearlyOntoTheValidRange) {
    const Mapping instances = mapping(Kind::Slider, 1, 20);
    EXPECT_EQ(toHost(instances, number(0), 96, 64)[0], 1);
    EXPECT_EQ(toHost(instances, number(1), 96, 64)[0], 20);
    EXPECT_EQ(toHost(instances, number(0.5), 96, 64)[0], 11);  // 10.5, rounded
    EXPECT_EQ(toHost(instances, number(0.2), 96, 64)[0], 5);   // 4.8, rounded
    // Out of [0, 1] is clamped rather than reaching values the effect refuses.
    EXPECT_EQ(toHost(instances, number(-3), 96, 64)[0], 1);
    EXPECT_EQ(toHost(instances, number(7), 96, 64)[0], 20);

    const Mapping offset = mapping(Kind::FloatSlider, -2000, 2000);
    EXPECT_DOUBLE_EQ(toHost(offset, number(0.53125), 96, 64)[0], 125);
    EXPECT_DOUBLE_EQ(toHost(offset, number(0.5), 96, 64)[0], 0);
    // Float sliders keep fractions.
    EXPECT_NEAR(toHost(offset, number(0.5 + 0.25 / 4000), 96, 64)[0], 0.25, 1e-9);

    const Mapping angle = mapping(Kind::Angle, 0, 360);
    EXPECT_DOUBLE_EQ(toHost(angle, number(0.125), 96, 64)[0], 45);

    // And back.
    for (double u : {0.0, 0.25, 0.53125, 1.0}) {
        EXPECT_DOUBLE_EQ(fromHost(offset, toHost(offset, number(u), 96, 64), 96, 64).number, u);
    }
    EXPECT_DOUBLE_EQ(fromHost(instances, {5, 0, 0, 0}, 96, 64).number, 4.0 / 19);
}

TEST(Frei0rParams, BoolsColoursAndPositions) {
    const Mapping box = mapping(Kind::Checkbox, 0, 0);
    EXPECT_EQ(toHost(box, number(0.49), 96, 64)[0], 0);
    EXPECT_EQ(toHost(box, number(0.5), 96, 64)[0], 1);
    EXPECT_EQ(toHost(box, number(1), 96, 64)[0], 1);

    Value c;
    c.color = {1.0f, 0.5f, 0.0f};
    const Host::ParamValue colour = toHost(mapping(Kind::Color, 0, 0), c, 96, 64);
    EXPECT_EQ(colour, (Host::ParamValue{255, 255, 128, 0}));  // alpha, red, green, blue
    c.color = {2.0f, -1.0f, 0.2f};
    EXPECT_EQ(toHost(mapping(Kind::Color, 0, 0), c, 96, 64), (Host::ParamValue{255, 255, 0, 51}));
    const Value back = fromHost(mapping(Kind::Color, 0, 0), {255, 51, 102, 255}, 96, 64);
    EXPECT_FLOAT_EQ(back.color.r, 0.2f);
    EXPECT_FLOAT_EQ(back.color.g, 0.4f);
    EXPECT_FLOAT_EQ(back.color.b, 1.0f);

    // Positions are fractions of the frame, from the top left, and may leave it.
    Value p;
    p.position = {0.25, 0.75};
    const Host::ParamValue point = toHost(mapping(Kind::Point, 0, 0), p, 96, 64);
    EXPECT_DOUBLE_EQ(point[0], 24);
    EXPECT_DOUBLE_EQ(point[1], 48);
    p.position = {-0.5, 1.5};
    EXPECT_DOUBLE_EQ(toHost(mapping(Kind::Point, 0, 0), p, 200, 100)[0], -100);
    EXPECT_DOUBLE_EQ(toHost(mapping(Kind::Point, 0, 0), p, 200, 100)[1], 150);
    EXPECT_DOUBLE_EQ(fromHost(mapping(Kind::Point, 0, 0), {24, 48, 0, 0}, 96, 64).position.y, 0.75);
}

TEST(Frei0rParams, PopupsTakeTheChoiceText) {
    const std::vector<std::string> shapes = paramEntries()[0].choices;
    EXPECT_EQ(choiceNumber(shapes, "Hexagon"), 6);
    EXPECT_EQ(choiceNumber(shapes, "  t shape "), 8);
    EXPECT_EQ(choiceNumber(shapes, "CIRCLE"), 1);
    EXPECT_EQ(choiceNumber(shapes, "3"), 3);
    // The ninth name is in the effect's text but not offered.
    EXPECT_EQ(choiceNumber(shapes, "Chevron"), 0);
    EXPECT_EQ(choiceNumber(shapes, "9"), 0);
    EXPECT_EQ(choiceNumber(shapes, "0"), 0);
    EXPECT_EQ(choiceNumber(shapes, ""), 0);
    EXPECT_EQ(choiceNumber(shapes, "Hex"), 0);

    Mapping m{Kind::Popup, 0, 0, shapes};
    Value v;
    v.text = "Octagon";
    EXPECT_EQ(toHost(m, v, 96, 64)[0], 7);
    EXPECT_EQ(fromHost(m, {4, 0, 0, 0}, 96, 64).text, "Triangle");
}

}  // namespace
}  // namespace Corvane::Tessory::Frei0r
