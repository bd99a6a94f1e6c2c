#include "params/ParamListing.h"

#include <nlohmann/json.hpp>
#include <sstream>

namespace Corvane::Tessory::Cli {

namespace {

std::string range(bool has, double lo, double hi) {
    return has ? formatNumber(lo) + " to " + formatNumber(hi) : "-";
}

std::string choiceList(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        out += (i ? ", " : "") + std::to_string(i + 1) + " " + names[i];
    }
    return out;
}

std::string pad(std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

}  // namespace

std::string ParamListing::text() const {
    std::ostringstream out;
    out << pad("#", 4) << pad("Name", 24) << pad("Type", 14) << pad("Valid", 18)
        << pad("Slider", 16) << pad("Default", 14) << "Shown\n";
    for (const ParamInfo& p : mParams) {
        const std::string name = p.index == 0 ? "(input layer)" : p.name.empty() ? "-" : p.name;
        out << pad(std::to_string(p.index), 4) << pad(name, 24) << pad(p.typeName(), 14)
            << pad(range(p.hasValidRange, p.validMin, p.validMax), 18)
            << pad(range(p.hasSliderRange, p.sliderMin, p.sliderMax), 16)
            << pad(p.settable() ? p.formatDefault() : "-", 14) << (p.hidden ? "hidden" : "shown");
        if (p.percent) out << "  (per cent)";
        out << '\n';
        if (!p.choices.empty()) {
            out << "    choices: " << choiceList(p.choices) << '\n';
        }
    }
    out << "Points are x,y in pixels (defaults in per cent of the layer); colours #RRGGBB or "
           "#AARRGGBB; angles in degrees; checkboxes on/off.\n";
    return out.str();
}

std::string ParamListing::json() const {
    nlohmann::json list = nlohmann::json::array();
    for (const ParamInfo& p : mParams) {
        nlohmann::json item;
        item["position"] = p.index;
        item["name"] = p.name;
        item["type"] = p.typeName();
        item["settable"] = p.settable();
        item["shown"] = !p.hidden;
        if (p.hasValidRange) item["valid"] = {p.validMin, p.validMax};
        if (p.hasSliderRange) item["slider"] = {p.sliderMin, p.sliderMax};
        if (p.settable()) {
            item["default"] = p.formatDefault();
            switch (p.type) {
                case PF_Param_COLOR:
                    item["defaultValue"] = {p.defaultValue[0], p.defaultValue[1], p.defaultValue[2],
                                            p.defaultValue[3]};
                    break;
                case PF_Param_POINT:
                    item["defaultPercent"] = {p.defaultValue[0], p.defaultValue[1]};
                    break;
                default:
                    item["defaultValue"] = p.defaultValue[0];
            }
        }
        if (p.type == PF_Param_POPUP) {
            item["choices"] = p.choices;
            item["choiceText"] = p.choiceNames;
        }
        if (p.type == PF_Param_FLOAT_SLIDER) {
            item["precision"] = p.precision;
            item["percent"] = p.percent;
        }
        list.push_back(std::move(item));
    }
    return list.dump(2) + "\n";
}

}  // namespace Corvane::Tessory::Cli
