// The effect's value parameters as frei0r parameters: which frei0r type each one takes,
// how a frei0r value maps onto the effect's value and back, and the text a frei0r host
// shows for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "AE_Effect.h"
#include "Frei0rApi.h"
#include "Host/Param.h"

namespace Corvane::Tessory::Frei0r {

/// How a parameter crosses over: by the effect's control type.
enum class Kind { Popup, Slider, FloatSlider, Angle, Checkbox, Color, Point };

/// One frei0r parameter as the bridge announces it, before any module is loaded (frei0r
/// hosts ask for the list without constructing an instance).
struct ParamEntry {
    const char* name;  ///< the effect's parameter name
    Kind kind;
    const char* unit;  ///< unit, or for checkboxes what "on" means
    double min;        ///< valid range of sliders (angles: the span 0..1 covers)
    double max;
    /// The effect's default in the host runtime's encoding (popup: choice number;
    /// colour: alpha, red, green, blue; point: per cent of the layer).
    Host::ParamValue def;
    std::vector<std::string> choices;  ///< popups: the offered choices, in order
};

/// The frei0r parameters, in the effect's registration order (groups left out).
const std::vector<ParamEntry>& paramEntries();
/// F0R_PARAM_* for a kind.
int frei0rType(Kind kind);
/// "unit, 0..1 = MIN to MAX" and the like; the text lives as long as the process.
const char* explanation(int index);

/// A frei0r value of any type; only the member of the parameter's type is used.
struct Value {
    double number = 0;  ///< doubles and bools
    f0r_param_color_t color{0, 0, 0};
    f0r_param_position_t position{0, 0};
    std::string text;  ///< popups: the choice's text
};

/// What a conversion needs of a parameter: its kind, range and choices, taken from the
/// effect's registered definition where the module is loaded, else from the entry.
struct Mapping {
    Kind kind = Kind::FloatSlider;
    double min = 0;
    double max = 1;
    std::vector<std::string> choices;

    static Mapping fromEntry(const ParamEntry& entry);
    /// Throws std::invalid_argument when the definition's type does not fit the kind.
    static Mapping fromRegistered(const ParamEntry& entry, const PF_ParamDef& def,
                                  const std::string& choicesText);
};

/// 1-based number of the choice with that text (ignoring case and surrounding spaces) or
/// that number; 0 when there is none.
int choiceNumber(const std::vector<std::string>& choices, std::string_view text);

/// frei0r value to the host runtime's value for a frame of that size. Doubles outside
/// [0, 1] are clamped; integer sliders are rounded.
Host::ParamValue toHost(const Mapping& m, const Value& v, int width, int height);
/// The other way, for defaults and for reading values back.
Value fromHost(const Mapping& m, const Host::ParamValue& value, int width, int height);

}  // namespace Corvane::Tessory::Frei0r
