#include "params/ParamInfo.h"

#include <cctype>
#include <cstdio>

#include "AE_GeneralPlug.h"
#include "Host/EffectInstance.h"

namespace Corvane::Tessory::Cli {

std::string formatNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    std::string s = text;
    return s == "-0" ? "0" : s;
}

std::string ParamInfo::key() const {
    std::string key;
    for (const char c : name) {
        key += std::isalnum(static_cast<unsigned char>(c))
                   ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                   : '_';
    }
    return key;
}

std::vector<ParamInfo> ParamInfo::listOf(const Host::EffectInstance& effect) {
    std::vector<ParamInfo> list;
    const auto& params = effect.params();
    for (size_t i = 0; i < params.size(); ++i) {
        ParamInfo info = fromDef(static_cast<int>(i), params[i].registered, params[i].choicesText);
        if (params[i].streamFlags & AEGP_DynStreamFlag_HIDDEN) info.hidden = true;
        list.push_back(std::move(info));
    }
    return list;
}

ParamInfo ParamInfo::fromDef(int index, const PF_ParamDef& def, const std::string& choicesText) {
    ParamInfo info;
    info.index = index;
    info.name = def.name;
    info.type = def.param_type;
    info.hidden = (def.ui_flags & PF_PUI_INVISIBLE) != 0;
    constexpr double kFixed = 65536.0;
    switch (def.param_type) {
        case PF_Param_SLIDER:
            info.hasValidRange = info.hasSliderRange = true;
            info.validMin = def.u.sd.valid_min;
            info.validMax = def.u.sd.valid_max;
            info.sliderMin = def.u.sd.slider_min;
            info.sliderMax = def.u.sd.slider_max;
            info.defaultValue[0] = def.u.sd.dephault;
            break;
        case PF_Param_FLOAT_SLIDER:
            info.hasValidRange = info.hasSliderRange = true;
            info.validMin = def.u.fs_d.valid_min;
            info.validMax = def.u.fs_d.valid_max;
            info.sliderMin = def.u.fs_d.slider_min;
            info.sliderMax = def.u.fs_d.slider_max;
            info.defaultValue[0] = def.u.fs_d.dephault;
            info.precision = def.u.fs_d.precision;
            info.percent = (def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
            break;
        case PF_Param_ANGLE:
            // Both limits zero is the host's way of saying "any angle".
            info.hasValidRange = def.u.ad.valid_min != 0 || def.u.ad.valid_max != 0;
            info.validMin = def.u.ad.valid_min / kFixed;
            info.validMax = def.u.ad.valid_max / kFixed;
            info.defaultValue[0] = def.u.ad.dephault / kFixed;
            break;
        case PF_Param_CHECKBOX:
            info.defaultValue[0] = def.u.bd.dephault ? 1 : 0;
            break;
        case PF_Param_COLOR:
            info.defaultValue = {double(def.u.cd.dephault.alpha), double(def.u.cd.dephault.red),
                                 double(def.u.cd.dephault.green), double(def.u.cd.dephault.blue)};
            break;
        case PF_Param_POINT:
            info.defaultValue = {def.u.td.x_dephault / kFixed, def.u.td.y_dephault / kFixed, 0, 0};
            break;
        case PF_Param_POPUP: {
            info.choiceNames = Host::splitChoices(choicesText);
            const int offered = def.u.pd.num_choices;
            for (int i = 0; i < offered && i < static_cast<int>(info.choiceNames.size()); ++i) {
                info.choices.push_back(info.choiceNames[i]);
            }
            info.hasValidRange = true;
            info.validMin = 1;
            info.validMax = offered;
            info.defaultValue[0] = def.u.pd.dephault;
            break;
        }
        default:
            break;
    }
    return info;
}

std::string ParamInfo::typeName() const {
    switch (type) {
        case PF_Param_LAYER:
            return "layer";
        case PF_Param_SLIDER:
            return "slider";
        case PF_Param_FIX_SLIDER:
            return "fixed slider";
        case PF_Param_ANGLE:
            return "angle";
        case PF_Param_CHECKBOX:
            return "checkbox";
        case PF_Param_COLOR:
            return "color";
        case PF_Param_POINT:
            return "point";
        case PF_Param_POPUP:
            return "popup";
        case PF_Param_FLOAT_SLIDER:
            return "float slider";
        case PF_Param_GROUP_START:
            return "group start";
        case PF_Param_GROUP_END:
            return "group end";
        default:
            return "type " + std::to_string(type);
    }
}

bool ParamInfo::settable() const {
    switch (type) {
        case PF_Param_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
        case PF_Param_CHECKBOX:
        case PF_Param_COLOR:
        case PF_Param_POINT:
        case PF_Param_POPUP:
            return true;
        default:
            return false;
    }
}

std::string ParamInfo::formatDefault() const {
    const ParamValue& v = defaultValue;
    switch (type) {
        case PF_Param_CHECKBOX:
            return v[0] != 0 ? "on" : "off";
        case PF_Param_COLOR: {
            char text[16];
            std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", unsigned(v[0]), unsigned(v[1]),
                          unsigned(v[2]), unsigned(v[3]));
            return text;
        }
        case PF_Param_POINT:
            return formatNumber(v[0]) + "%," + formatNumber(v[1]) + "%";
        case PF_Param_POPUP: {
            const int n = static_cast<int>(v[0]);
            return n >= 1 && n <= static_cast<int>(choiceNames.size()) ? choiceNames[n - 1]
                                                                       : formatNumber(v[0]);
        }
        default:
            return settable() ? formatNumber(v[0]) : "";
    }
}

}  // namespace Corvane::Tessory::Cli
