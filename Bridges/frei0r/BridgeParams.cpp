#include "BridgeParams.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace Corvane::Tessory::Frei0r {

namespace {

const std::vector<std::string> kShapes = {"Circle",    "Ring",    "Cross",   "Triangle",
                                          "Rectangle", "Hexagon", "Octagon", "T Shape"};
const std::vector<std::string> kFills = {"Fill Outside", "Fill Inside"};
const std::vector<std::string> kEdges = {"Shadow", "Stroke"};

constexpr Host::ParamValue kBlack{255, 0, 0, 0};

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string lowerTrimmed(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    std::string out(s.substr(a, b - a));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

double unit(double v) {
    return std::clamp(v, 0.0, 1.0);
}

}  // namespace

const std::vector<ParamEntry>& paramEntries() {
    static const std::vector<ParamEntry> entries = {
        {"Shape Type", Kind::Popup, "", 0, 0, {1, 0, 0, 0}, kShapes},
        {"Shape Size 1", Kind::Slider, "pixels", 0, 2000, {300, 0, 0, 0}, {}},
        {"Shape Size 2", Kind::Slider, "pixels", 0, 2000, {50, 0, 0, 0}, {}},
        {"Shape Center", Kind::Point, "", 0, 0, {50, 50, 0, 0}, {}},
        {"Shape Rotation", Kind::Angle, "degrees", 0, 360, {0, 0, 0, 0}, {}},
        {"Fill Type", Kind::Popup, "", 0, 0, {1, 0, 0, 0}, kFills},
        {"Transparent Background",
         Kind::Checkbox,
         "on: the layer behind the instances becomes transparent",
         0,
         0,
         {0, 0, 0, 0},
         {}},
        {"Edge Type", Kind::Popup, "", 0, 0, {1, 0, 0, 0}, kEdges},
        {"Shadow Size", Kind::Slider, "pixels", 0, 1000, {100, 0, 0, 0}, {}},
        {"Shadow Color", Kind::Color, "", 0, 0, kBlack, {}},
        {"Shadow Opacity", Kind::FloatSlider, "per cent", 0, 100, {40, 0, 0, 0}, {}},
        {"Stroke Size", Kind::Slider, "pixels", 0, 60, {10, 0, 0, 0}, {}},
        {"Stroke Color", Kind::Color, "", 0, 0, kBlack, {}},
        {"Stroke Opacity", Kind::FloatSlider, "per cent", 0, 100, {100, 0, 0, 0}, {}},
        {"Instances", Kind::Slider, "count", 1, 20, {5, 0, 0, 0}, {}},
        {"Shape Size 1 Offset",
         Kind::FloatSlider,
         "pixels per instance",
         -1000,
         1000,
         {0, 0, 0, 0},
         {}},
        {"Shape Size 2 Offset",
         Kind::FloatSlider,
         "pixels per instance",
         -1000,
         1000,
         {0, 0, 0, 0},
         {}},
        {"Position X Offset",
         Kind::FloatSlider,
         "pixels per instance",
         -2000,
         2000,
         {0, 0, 0, 0},
         {}},
        {"Position Y Offset",
         Kind::FloatSlider,
         "pixels per instance",
         -2000,
         2000,
         {0, 0, 0, 0},
         {}},
        {"Scale X Offset",
         Kind::FloatSlider,
         "per cent per instance",
         -200,
         200,
         {10, 0, 0, 0},
         {}},
        {"Scale Y Offset",
         Kind::FloatSlider,
         "per cent per instance",
         -200,
         200,
         {10, 0, 0, 0},
         {}},
        {"Rotation Offset", Kind::FloatSlider, "degrees per instance", -360, 360, {0, 0, 0, 0}, {}},
        {"Opacity Offset", Kind::FloatSlider, "per cent per instance", 0, 100, {0, 0, 0, 0}, {}},
    };
    return entries;
}

int frei0rType(Kind kind) {
    switch (kind) {
        case Kind::Popup:
            return F0R_PARAM_STRING;
        case Kind::Checkbox:
            return F0R_PARAM_BOOL;
        case Kind::Color:
            return F0R_PARAM_COLOR;
        case Kind::Point:
            return F0R_PARAM_POSITION;
        case Kind::Slider:
        case Kind::FloatSlider:
        case Kind::Angle:
            return F0R_PARAM_DOUBLE;
    }
    return F0R_PARAM_DOUBLE;
}

const char* explanation(int index) {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> out;
        for (const ParamEntry& s : paramEntries()) {
            std::string t;
            switch (s.kind) {
                case Kind::Popup:
                    t = "one of: ";
                    for (size_t i = 0; i < s.choices.size(); ++i) {
                        t += (i ? ", " : "") + s.choices[i];
                    }
                    break;
                case Kind::Slider:
                    t = std::string(s.unit) + ", 0..1 = " + number(s.min) + " to " + number(s.max) +
                        " (rounded to whole numbers)";
                    break;
                case Kind::FloatSlider:
                case Kind::Angle:
                    t = std::string(s.unit) + ", 0..1 = " + number(s.min) + " to " + number(s.max);
                    break;
                case Kind::Checkbox:
                    t = s.unit;
                    break;
                case Kind::Color:
                    t = "colour, red, green and blue 0..1 (opaque)";
                    break;
                case Kind::Point:
                    t = "position, 0..1 of the frame's width and height from the top left "
                        "(0.5, 0.5 = centre)";
                    break;
            }
            out.push_back(std::move(t));
        }
        return out;
    }();
    if (index < 0 || index >= static_cast<int>(texts.size())) return "";
    return texts[index].c_str();
}

Mapping Mapping::fromEntry(const ParamEntry& entry) {
    return Mapping{entry.kind, entry.min, entry.max, entry.choices};
}

Mapping Mapping::fromRegistered(const ParamEntry& entry, const PF_ParamDef& def,
                                const std::string& choicesText) {
    Mapping m = fromEntry(entry);
    auto expect = [&](PF_ParamType type) {
        if (def.param_type != type) {
            throw std::invalid_argument(std::string("parameter \"") + entry.name +
                                        "\" has host type " + std::to_string(def.param_type) +
                                        ", not " + std::to_string(type));
        }
    };
    switch (entry.kind) {
        case Kind::Popup:
            expect(PF_Param_POPUP);
            // Only the offered choices: names beyond the count are not in the menu.
            m.choices = Host::splitChoices(choicesText);
            m.choices.resize(
                std::min<size_t>(m.choices.size(), std::max<A_short>(def.u.pd.num_choices, 0)));
            break;
        case Kind::Slider:
            expect(PF_Param_SLIDER);
            m.min = def.u.sd.valid_min;
            m.max = def.u.sd.valid_max;
            break;
        case Kind::FloatSlider:
            expect(PF_Param_FLOAT_SLIDER);
            m.min = def.u.fs_d.valid_min;
            m.max = def.u.fs_d.valid_max;
            break;
        case Kind::Angle:
            // An angle has no range of its own (both limits zero): 0..1 is one turn.
            expect(PF_Param_ANGLE);
            break;
        case Kind::Checkbox:
            expect(PF_Param_CHECKBOX);
            break;
        case Kind::Color:
            expect(PF_Param_COLOR);
            break;
        case Kind::Point:
            expect(PF_Param_POINT);
            break;
    }
    return m;
}

int choiceNumber(const std::vector<std::string>& choices, std::string_view text) {
    const std::string key = lowerTrimmed(text);
    for (size_t i = 0; i < choices.size(); ++i) {
        if (lowerTrimmed(choices[i]) == key) return static_cast<int>(i) + 1;
    }
    int n = 0;
    const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), n);
    if (ec == std::errc() && end == key.data() + key.size() && !key.empty() && n >= 1 &&
        n <= static_cast<int>(choices.size())) {
        return n;
    }
    return 0;
}

Host::ParamValue toHost(const Mapping& m, const Value& v, int width, int height) {
    Host::ParamValue out{};
    switch (m.kind) {
        case Kind::Popup:
            out[0] = std::max(1, choiceNumber(m.choices, v.text));
            break;
        case Kind::Slider:
            out[0] = std::round(m.min + unit(v.number) * (m.max - m.min));
            break;
        case Kind::FloatSlider:
        case Kind::Angle:
            out[0] = m.min + unit(v.number) * (m.max - m.min);
            break;
        case Kind::Checkbox:
            out[0] = v.number >= 0.5 ? 1 : 0;
            break;
        case Kind::Color:
            out = {255, std::round(unit(v.color.r) * 255), std::round(unit(v.color.g) * 255),
                   std::round(unit(v.color.b) * 255)};
            break;
        case Kind::Point:
            // Positions may lie outside the frame, as the effect's points may.
            out[0] = v.position.x * width;
            out[1] = v.position.y * height;
            break;
    }
    return out;
}

Value fromHost(const Mapping& m, const Host::ParamValue& value, int width, int height) {
    Value v;
    const double span = m.max - m.min;
    switch (m.kind) {
        case Kind::Popup: {
            const int n = static_cast<int>(value[0]);
            if (n >= 1 && n <= static_cast<int>(m.choices.size())) v.text = m.choices[n - 1];
            break;
        }
        case Kind::Slider:
        case Kind::FloatSlider:
        case Kind::Angle:
            v.number = span != 0 ? (value[0] - m.min) / span : 0;
            break;
        case Kind::Checkbox:
            v.number = value[0] != 0 ? 1 : 0;
            break;
        case Kind::Color:
            v.color = {static_cast<float>(value[1] / 255), static_cast<float>(value[2] / 255),
                       static_cast<float>(value[3] / 255)};
            break;
        case Kind::Point:
            v.position = {width > 0 ? value[0] / width : 0, height > 0 ? value[1] / height : 0};
            break;
    }
    return v;
}

}  // namespace Corvane::Tessory::Frei0r
