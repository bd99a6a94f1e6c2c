#pragma once
// One parameter as the plug-in registered it, reduced to what a user of the command line
// needs: name, kind, ranges, default and choices.
#include <array>
#include <string>
#include <vector>

#include "AE_Effect.h"
#include "Host/Param.h"

namespace Corvane::Tessory::Host {
class EffectInstance;
}

namespace Corvane::Tessory::Cli {

// Values and keyframes as the host runtime stores them.
using Host::Keyframe;
using Host::ParamValue;

struct ParamInfo {
    int index = 0;  // position in the parameter list; 0 is the input layer
    std::string name;
    A_long type = PF_Param_RESERVED;
    bool hasValidRange = false;
    double validMin = 0, validMax = 0;
    bool hasSliderRange = false;
    double sliderMin = 0, sliderMax = 0;
    ParamValue defaultValue{};             // points: per cent of the layer
    std::vector<std::string> choices;      // popups: the offered choices, numbered from 1
    std::vector<std::string> choiceNames;  // popups: every name in the choice text
    int precision = 0;                     // float sliders: decimals shown
    bool percent = false;                  // float sliders shown as per cent
    bool hidden = false;

    static ParamInfo fromDef(int index, const PF_ParamDef& def, const std::string& choicesText);
    // An applied effect's list, position 0 being the input layer; hidden reflects both the
    // registration flags and what the visibility handler set.
    static std::vector<ParamInfo> listOf(const Host::EffectInstance& effect);

    // "popup", "slider", "float slider", "angle", "checkbox", "color", "point", "group", ...
    std::string typeName() const;
    // Whether a value can be given to it (not the layer, not a group marker).
    bool settable() const;
    // The name in lower case with '_' for anything but letters and digits ("shape_size_1"):
    // the key under which hosts with flat settings (MLT presets, OBS) store the value.
    std::string key() const;
    // A value written as the command line accepts it back (points in per cent for defaults
    // are written as "x%,y%").
    std::string formatDefault() const;
};

// Shortest decimal text of a number: 300, 0.05, -12.5.
std::string formatNumber(double value);

}  // namespace Corvane::Tessory::Cli
