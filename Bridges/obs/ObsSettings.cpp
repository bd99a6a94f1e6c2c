#include "ObsSettings.h"

#include <algorithm>
#include <cmath>

namespace Corvane::Tessory::Obs {

namespace {

using Cli::ParamInfo;
using Host::ParamValue;

// Angles and points have no range in the effect; OBS needs one for its spin boxes, and a
// stored value is kept inside it.
constexpr double kAngleLimit = 3600;    // ten turns, in degrees
constexpr double kPointLimit = 100000;  // pixels either side of the source's top left

bool isPoint(const ParamInfo& p) {
    return p.type == PF_Param_POINT;
}

/// The range a stored value is clamped to.
std::pair<double, double> validRange(const ParamInfo& p) {
    switch (p.type) {
        case PF_Param_ANGLE:
            return {-kAngleLimit, kAngleLimit};
        case PF_Param_POINT:
            return {-kPointLimit, kPointLimit};
        case PF_Param_POPUP:
            return {1, double(p.choices.size())};
        default:
            return {p.validMin, p.validMax};
    }
}

std::string text(const char* key) {
    return obs_module_text(key);
}

/// Whatever a stored item holds, as a number, if it is one.
bool numberOf(obs_data_item_t* item, double* value) {
    if (obs_data_item_gettype(item) != OBS_DATA_NUMBER) return false;
    *value = obs_data_item_get_double(item);
    return std::isfinite(*value);
}

struct Item {
    obs_data_item_t* item;
    explicit Item(obs_data_t* settings, const std::string& key)
        : item(obs_data_item_byname(settings, key.c_str())) {}
    ~Item() { obs_data_item_release(&item); }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    bool userSet() const { return item && obs_data_item_has_user_value(item); }
};

}  // namespace

ObsSettings::ObsSettings(std::vector<ParamInfo> registered) : mParams(std::move(registered)) {}

std::vector<std::string> ObsSettings::keysOf(const ParamInfo& param) const {
    if (isPoint(param)) return {param.key() + "_x", param.key() + "_y"};
    return {param.key()};
}

ParamValue ObsSettings::colourFromObs(long long obsColour) {
    const auto c = static_cast<uint32_t>(obsColour);
    return {double((c >> 24) & 0xFF), double(c & 0xFF), double((c >> 8) & 0xFF),
            double((c >> 16) & 0xFF)};
}

long long ObsSettings::colourToObs(const ParamValue& colour) {
    auto byte = [](double v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
    return (byte(colour[0]) << 24) | (byte(colour[3]) << 16) | (byte(colour[2]) << 8) |
           byte(colour[1]);
}

void ObsSettings::setDefaults(obs_data_t* settings) const {
    for (const ParamInfo& p : mParams) {
        if (!p.settable() || isPoint(p)) continue;
        const std::string key = p.key();
        switch (p.type) {
            case PF_Param_CHECKBOX:
                obs_data_set_default_bool(settings, key.c_str(), p.defaultValue[0] != 0);
                break;
            case PF_Param_COLOR:
                obs_data_set_default_int(settings, key.c_str(), colourToObs(p.defaultValue));
                break;
            case PF_Param_POPUP:
            case PF_Param_SLIDER:
                obs_data_set_default_int(settings, key.c_str(), std::llround(p.defaultValue[0]));
                break;
            default:
                obs_data_set_default_double(settings, key.c_str(), p.defaultValue[0]);
        }
    }
}

ParamValue ObsSettings::readOne(obs_data_t* settings, const ParamInfo& p,
                                std::vector<std::string>& messages) const {
    const std::string key = p.key();
    const Item stored(settings, key);
    if (!stored.userSet()) return p.defaultValue;
    if (p.type == PF_Param_CHECKBOX) {
        if (obs_data_item_gettype(stored.item) == OBS_DATA_BOOLEAN) {
            return {obs_data_item_get_bool(stored.item) ? 1.0 : 0.0, 0, 0, 0};
        }
        messages.push_back(key + " is not true or false; using the default");
        return p.defaultValue;
    }
    double value = 0;
    if (!numberOf(stored.item, &value)) {
        messages.push_back(key + " is not a number; using the default");
        return p.defaultValue;
    }
    if (p.type == PF_Param_COLOR) return colourFromObs(std::llround(value));
    if (p.type == PF_Param_SLIDER || p.type == PF_Param_POPUP) value = std::round(value);
    const auto [low, high] = validRange(p);
    if (value < low || value > high) {
        messages.push_back(key + " = " + Cli::formatNumber(value) + " is outside " +
                           Cli::formatNumber(low) + " to " + Cli::formatNumber(high) + "; clamped");
        value = std::clamp(value, low, high);
    }
    return {value, 0, 0, 0};
}

ObsSettings::Values ObsSettings::read(obs_data_t* settings,
                                      std::vector<std::string>& messages) const {
    Values out;
    for (const ParamInfo& p : mParams) {
        if (!p.settable()) continue;
        if (!isPoint(p)) {
            out.values.emplace_back(p.index, readOne(settings, p, messages));
            continue;
        }
        ParamValue point{};
        const std::vector<std::string> keys = keysOf(p);
        for (int axis = 0; axis < 2; ++axis) {
            const Item stored(settings, keys[axis]);
            double value = 0;
            if (stored.userSet() && numberOf(stored.item, &value)) {
                point[axis] = std::clamp(value, -kPointLimit, kPointLimit);
                if (point[axis] != value) messages.push_back(keys[axis] + " is clamped");
                continue;
            }
            if (stored.userSet())
                messages.push_back(keys[axis] + " is not a number; using the default");
            out.follow.push_back({out.values.size(), axis, p.defaultValue[axis]});
        }
        out.values.emplace_back(p.index, point);
    }
    return out;
}

std::vector<std::pair<int, ParamValue>> ObsSettings::Values::at(int width, int height) const {
    std::vector<std::pair<int, ParamValue>> resolved = values;
    for (const Follow& f : follow) {
        resolved[f.value].second[f.axis] = f.percent / 100.0 * (f.axis == 0 ? width : height);
    }
    return resolved;
}

obs_properties_t* ObsSettings::properties(const std::vector<int>& controls, Modified modified,
                                          void* priv) const {
    obs_properties_t* top = obs_properties_create();
    obs_properties_t* props = top;
    for (const ParamInfo& p : mParams) {
        const std::string key = p.key();
        const char* name = obs_module_text(p.name.c_str());
        obs_property_t* made = nullptr;
        switch (p.type) {
            case PF_Param_GROUP_START: {
                obs_properties_t* group = obs_properties_create();
                obs_properties_add_group(top, key.c_str(), name, OBS_GROUP_NORMAL, group);
                props = group;
                continue;
            }
            case PF_Param_GROUP_END:
                props = top;
                continue;
            case PF_Param_POPUP:
                made = obs_properties_add_list(props, key.c_str(), name, OBS_COMBO_TYPE_LIST,
                                               OBS_COMBO_FORMAT_INT);
                for (size_t i = 0; i < p.choices.size(); ++i) {
                    obs_property_list_add_int(made, obs_module_text(p.choices[i].c_str()),
                                              static_cast<long long>(i + 1));
                }
                break;
            case PF_Param_CHECKBOX:
                made = obs_properties_add_bool(props, key.c_str(), name);
                break;
            case PF_Param_COLOR:
                made = obs_properties_add_color(props, key.c_str(), name);
                break;
            case PF_Param_SLIDER:
                made = obs_properties_add_int_slider(props, key.c_str(), name, int(p.sliderMin),
                                                     int(p.sliderMax), 1);
                break;
            case PF_Param_FLOAT_SLIDER:
                made = obs_properties_add_float_slider(props, key.c_str(), name, p.sliderMin,
                                                       p.sliderMax, std::pow(10.0, -p.precision));
                if (p.percent) obs_property_float_set_suffix(made, "%");
                break;
            case PF_Param_ANGLE:
                made = obs_properties_add_float(props, key.c_str(), name, -kAngleLimit, kAngleLimit,
                                                0.1);
                obs_property_float_set_suffix(made, "\u00b0");
                break;
            case PF_Param_POINT: {
                const std::vector<std::string> keys = keysOf(p);
                for (int axis = 0; axis < 2; ++axis) {
                    const std::string label = std::string(name) + (axis == 0 ? " X" : " Y");
                    obs_property_t* c = obs_properties_add_float(
                        props, keys[axis].c_str(), label.c_str(), -kPointLimit, kPointLimit, 1);
                    obs_property_float_set_suffix(c, " px");
                }
                continue;
            }
            default:
                continue;
        }
        if (p.hasValidRange && p.hasSliderRange &&
            (p.validMin != p.sliderMin || p.validMax != p.sliderMax)) {
            const std::string range = text("ValidRange") + " " + Cli::formatNumber(p.validMin) +
                                      " " + text("To") + " " + Cli::formatNumber(p.validMax);
            obs_property_set_long_description(made, range.c_str());
        }
        if (std::find(controls.begin(), controls.end(), p.index) != controls.end()) {
            obs_property_set_modified_callback2(made, modified, priv);
        }
    }
    return top;
}

void ObsSettings::applyVisibility(obs_properties_t* props,
                                  const std::vector<bool>& shownByIndex) const {
    for (const ParamInfo& p : mParams) {
        if (!p.settable() || size_t(p.index) >= shownByIndex.size()) continue;
        for (const std::string& key : keysOf(p)) {
            if (obs_property_t* prop = obs_properties_get(props, key.c_str())) {
                obs_property_set_visible(prop, shownByIndex[p.index]);
            }
        }
    }
}

}  // namespace Corvane::Tessory::Obs
