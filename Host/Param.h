// A parameter as the host stores it: the definition exactly as registered, its value and
// its keyframes. Values are kept as four doubles so every type fits one record.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "AE_Effect.h"
#include "AE_GeneralPlug.h"

namespace Corvane::Tessory::Host {

/// Encoded per type: slider, float slider, popup (1-based), checkbox (0/1): [0];
/// angle: degrees in [0]; colour: alpha, red, green, blue 0..255 in [0..3];
/// point: x, y in pixels of the full-size layer in [0], [1].
using ParamValue = std::array<double, 4>;

struct Keyframe {
    double seconds = 0;
    ParamValue value{};
};

/// The names of a popup's choice text, "a|b|c", in order (choice 1 first); none for "".
std::vector<std::string> splitChoices(std::string_view text);

struct Param {
    /// The definition as add_param received it; text pointers (popup choices, checkbox
    /// label) point at the host's own copies.
    PF_ParamDef registered{};
    /// The value without keyframes (the registered default until set; for a point that
    /// follows its default, the default in per cent).
    ParamValue value{};
    /// Sorted by time; when not empty they decide the value.
    std::vector<Keyframe> keys;
    /// The stream's dynamic flags (AEGP_DynStreamFlag_...), changed by the plug-in.
    AEGP_DynStreamFlags streamFlags = 0;
    /// A popup's choice text, or a checkbox's label, as registered.
    std::string choicesText;
    /// For points: true until a value is set, while the value follows the registered
    /// default as per cent of the layer size.
    bool pointFollowsDefault = false;
};

}  // namespace Corvane::Tessory::Host
