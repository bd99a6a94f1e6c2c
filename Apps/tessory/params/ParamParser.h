#pragma once
// Turns the text a user types ("Shape Type=Hexagon", "Shadow Color=#FF8000") into
// parameter values, checking names, choices and ranges against the registered list.
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "params/ParamInfo.h"

namespace Corvane::Tessory::Cli {

class ParamParser {
  public:
    explicit ParamParser(std::vector<ParamInfo> params);

    const std::vector<ParamInfo>& params() const { return mParams; }

    // By name, ignoring case and surrounding spaces. Throws InputError for an unknown name
    // or one that takes no value.
    const ParamInfo& find(std::string_view name) const;

    // "NAME=VALUE". Throws InputError.
    std::pair<const ParamInfo*, ParamValue> assignment(std::string_view text) const;

    // One value for a parameter:
    //   sliders, float sliders, angles (degrees): a number within the valid range;
    //   popups: a choice's text or its number; checkboxes: on/off (also true/false, 1/0);
    //   colours: #RRGGBB or #AARRGGBB; points: x,y in pixels.
    // Throws InputError naming the parameter and the problem.
    ParamValue parse(const ParamInfo& param, std::string_view text) const;

    // The same from a preset's JSON value: a number, a string as above, a boolean for a
    // checkbox, or [x, y] for a point.
    ParamValue fromJson(const ParamInfo& param, const nlohmann::json& value) const;

  private:
    ParamValue checkedNumber(const ParamInfo& param, double value, std::string_view text) const;

    std::vector<ParamInfo> mParams;
};

// A number in plain decimal notation (no nan, inf or trailing characters); false if not.
bool parseNumber(std::string_view text, double& value);
std::string trim(std::string_view text);
std::string lower(std::string_view text);

}  // namespace Corvane::Tessory::Cli
