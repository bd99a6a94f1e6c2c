#include "PropertyValues.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <sstream>

#include "support/InputError.h"

namespace Corvane::Tessory::Mlt {

using Cli::ParamInfo;
using Host::ParamValue;

namespace {

/// "x y", "x,y", or Kdenlive's rectangle "x y w h" (an opacity may follow): its numbers.
bool pointNumbers(const std::string& text, std::vector<double>& numbers) {
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    std::string word;
    numbers.clear();
    while (in >> word) {
        double v = 0;
        if (!Cli::parseNumber(word, v)) return false;
        numbers.push_back(v);
    }
    return numbers.size() >= 2 && numbers.size() <= 5;
}

/// The values of "time=value;time=value", or the text itself when it holds no key. False
/// for a key without a time or a value.
bool keyValues(const std::string& text, std::vector<std::string>& values) {
    values.clear();
    if (text.find('=') == std::string::npos) {
        values.push_back(text);
        return true;
    }
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        if (Cli::trim(item).empty()) continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0) return false;
        // Times are frames or clock times; one interpolation mark may stand before '='.
        for (size_t i = 0; i + 1 < eq; ++i) {
            const char c = item[i];
            if (!std::isdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.' && c != '-' &&
                c != ' ')
                return false;
        }
        values.push_back(item.substr(eq + 1));
    }
    return !values.empty();
}

bool numeric(const ParamInfo& p) {
    return p.type == PF_Param_SLIDER || p.type == PF_Param_FLOAT_SLIDER || p.type == PF_Param_ANGLE;
}

}  // namespace

std::string colourText(const std::string& text) {
    const std::string t = Cli::trim(text);
    if (t.size() == 10 && (t.rfind("0x", 0) == 0 || t.rfind("0X", 0) == 0)) {
        return "#" + t.substr(8, 2) + t.substr(2, 6);
    }
    return t;
}

PropertyValues::PropertyValues(const std::vector<ParamInfo>& registered)
    : mParser([&] {
          std::vector<ParamInfo> settable;
          for (const ParamInfo& p : registered) {
              if (p.settable()) settable.push_back(p);
          }
          return settable;
      }()) {
    for (const ParamInfo& p : mParser.params()) mAliases.push_back(p.key());
}

bool PropertyValues::check(const ParamInfo& p, const std::string& text,
                           std::string& message) const {
    const std::string name = "\"" + p.name + "\"";
    std::vector<std::string> values;
    if (!keyValues(text, values)) {
        message =
            name + ": \"" + text + "\" is not a value or a keyframe string; using the default";
        return false;
    }
    for (const std::string& value : values) {
        try {
            if (p.type == PF_Param_POINT) {
                std::vector<double> numbers;
                if (!pointNumbers(value, numbers))
                    throw Cli::InputError(name + ": \"" + value + "\" is not x y in pixels");
            } else if (numeric(p)) {
                double v = 0;
                if (!Cli::parseNumber(value, v))
                    throw Cli::InputError(name + ": \"" + Cli::trim(value) + "\" is not a number");
                if (p.hasValidRange && (v < p.validMin || v > p.validMax)) {
                    message = name + ": " + Cli::formatNumber(v) + " is out of range " +
                              Cli::formatNumber(p.validMin) + " to " +
                              Cli::formatNumber(p.validMax) + "; clamped";
                }
            } else {
                mParser.parse(p, p.type == PF_Param_COLOR ? colourText(value) : value);
            }
        } catch (const Cli::InputError& e) {
            message = std::string(e.what()) + "; using the default";
            return false;
        }
    }
    return true;
}

ParamValue PropertyValues::defaultValue(const ParamInfo& p, const Frame& frame) const {
    if (p.type == PF_Param_POINT) {
        // Registered in per cent of the layer: the centre of the profile's frame.
        return {p.defaultValue[0] / 100 * frame.profileWidth,
                p.defaultValue[1] / 100 * frame.profileHeight, 0, 0};
    }
    return p.defaultValue;
}

ParamValue PropertyValues::valueAt(const ParamInfo& p, const char* name, mlt_properties properties,
                                   const Frame& frame) const {
    const int pos = frame.position, len = frame.length;
    switch (p.type) {
        case PF_Param_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE: {
            double v = mlt_properties_anim_get_double(properties, name, pos, len);
            if (!std::isfinite(v)) return p.defaultValue;
            if (p.hasValidRange) v = std::clamp(v, p.validMin, p.validMax);
            if (p.type == PF_Param_SLIDER) v = std::round(v);
            return {v, 0, 0, 0};
        }
        case PF_Param_COLOR: {
            const mlt_color c = mlt_properties_anim_get_color(properties, name, pos, len);
            return {double(c.a), double(c.r), double(c.g), double(c.b)};
        }
        case PF_Param_POINT: {
            const mlt_rect r = mlt_properties_anim_get_rect(properties, name, pos, len);
            // A rectangle (Kdenlive's monitor handle) places the shape at its centre.
            if (r.w != DBL_MIN && r.h != DBL_MIN) return {r.x + r.w / 2, r.y + r.h / 2, 0, 0};
            return {r.x, r.y, 0, 0};
        }
        default: {
            // Menus and the checkbox hold each key until the next.
            const char* text = mlt_properties_anim_get(properties, name, pos, len);
            return mParser.parse(p, text ? text : "");
        }
    }
}

std::vector<std::pair<int, ParamValue>> PropertyValues::at(mlt_properties properties,
                                                           const Frame& frame,
                                                           std::vector<std::string>& messages) {
    std::vector<std::pair<int, ParamValue>> values;
    for (size_t i = 0; i < mParser.params().size(); ++i) {
        const ParamInfo& p = mParser.params()[i];
        const char* name = p.name.c_str();
        const char* raw = mlt_properties_get(properties, name);
        if (!raw) {
            name = mAliases[i].c_str();
            raw = mlt_properties_get(properties, name);
        }
        const std::string text = raw ? Cli::trim(raw) : std::string();
        bool usable = !text.empty();
        if (usable) {
            auto& [checkedText, ok] = mChecked[p.name];
            if (checkedText != text || checkedText.empty()) {
                std::string message;
                ok = check(p, text, message);
                checkedText = text;
                if (!message.empty()) messages.push_back(message);
            }
            usable = ok;
        }
        values.emplace_back(p.index,
                            usable ? valueAt(p, name, properties, frame) : defaultValue(p, frame));
    }
    return values;
}

}  // namespace Corvane::Tessory::Mlt
