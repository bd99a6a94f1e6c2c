#include "params/ParamParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

std::string trim(std::string_view text) {
    size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    return std::string(text.substr(a, b - a));
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool parseNumber(std::string_view text, double& value) {
    const std::string t = trim(text);
    if (t.empty()) return false;
    const char* begin = t.data();
    if (*begin == '+') ++begin;
    const auto [end, ec] = std::from_chars(begin, t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() && std::isfinite(value);
}

namespace {

std::string inQuotes(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        out += (i ? ", " : "") + names[i];
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

ParamParser::ParamParser(std::vector<ParamInfo> params) : mParams(std::move(params)) {}

const ParamInfo& ParamParser::find(std::string_view name) const {
    const std::string key = lower(trim(name));
    for (const ParamInfo& p : mParams) {
        if (!p.name.empty() && lower(p.name) == key) {
            if (!p.settable()) {
                throw InputError("parameter " + inQuotes(p.name) + " is a " + p.typeName() +
                                 " and takes no value");
            }
            return p;
        }
    }
    throw InputError("unknown parameter " + inQuotes(trim(name)) + " (tessory params lists them)");
}

std::pair<const ParamInfo*, ParamValue> ParamParser::assignment(std::string_view text) const {
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        throw InputError("--set " + inQuotes(text) + " is not NAME=VALUE");
    }
    const ParamInfo& p = find(text.substr(0, eq));
    return {&p, parse(p, text.substr(eq + 1))};
}

ParamValue ParamParser::checkedNumber(const ParamInfo& p, double v, std::string_view text) const {
    if (p.type == PF_Param_SLIDER && v != std::floor(v)) {
        throw InputError(inQuotes(p.name) + ": " + inQuotes(text) + " is not a whole number");
    }
    if (p.hasValidRange && (v < p.validMin || v > p.validMax)) {
        throw InputError(inQuotes(p.name) + ": " + formatNumber(v) + " is out of range " +
                         formatNumber(p.validMin) + " to " + formatNumber(p.validMax));
    }
    return ParamValue{v, 0, 0, 0};
}

ParamValue ParamParser::parse(const ParamInfo& p, std::string_view raw) const {
    const std::string text = trim(raw);
    const std::string name = inQuotes(p.name);
    double number = 0;
    switch (p.type) {
        case PF_Param_SLIDER:
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
            if (!parseNumber(text, number)) {
                throw InputError(name + ": " + inQuotes(text) + " is not a number");
            }
            return checkedNumber(p, number, text);
        case PF_Param_POPUP: {
            const std::string key = lower(text);
            for (size_t i = 0; i < p.choices.size(); ++i) {
                if (lower(p.choices[i]) == key) return ParamValue{double(i + 1), 0, 0, 0};
            }
            if (parseNumber(text, number)) {
                if (number != std::floor(number) || number < 1 ||
                    number > static_cast<double>(p.choices.size())) {
                    throw InputError(name + ": choice " + text + " is out of range 1 to " +
                                     std::to_string(p.choices.size()));
                }
                return ParamValue{number, 0, 0, 0};
            }
            throw InputError(name + ": unknown choice " + inQuotes(text) +
                             " (choices: " + joined(p.choices) + ")");
        }
        case PF_Param_CHECKBOX: {
            const std::string key = lower(text);
            if (key == "on" || key == "true" || key == "1" || key == "yes") return {1, 0, 0, 0};
            if (key == "off" || key == "false" || key == "0" || key == "no") return {0, 0, 0, 0};
            throw InputError(name + ": " + inQuotes(text) + " is not on or off");
        }
        case PF_Param_COLOR: {
            const bool ok =
                (text.size() == 7 || text.size() == 9) && text[0] == '#' &&
                std::all_of(text.begin() + 1, text.end(), [](char c) { return hexDigit(c) >= 0; });
            if (!ok) {
                throw InputError(name + ": " + inQuotes(text) +
                                 " is not a colour (#RRGGBB or #AARRGGBB)");
            }
            std::vector<double> bytes;
            for (size_t i = 1; i < text.size(); i += 2) {
                bytes.push_back(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
            }
            if (bytes.size() == 3) bytes.insert(bytes.begin(), 255.0);
            return ParamValue{bytes[0], bytes[1], bytes[2], bytes[3]};
        }
        case PF_Param_POINT: {
            const size_t comma = text.find(',');
            double x = 0, y = 0;
            if (comma == std::string::npos || !parseNumber(text.substr(0, comma), x) ||
                !parseNumber(text.substr(comma + 1), y)) {
                throw InputError(name + ": " + inQuotes(text) + " is not a point (x,y in pixels)");
            }
            return ParamValue{x, y, 0, 0};
        }
        default:
            throw InputError("parameter " + name + " is a " + p.typeName() + " and takes no value");
    }
}

ParamValue ParamParser::fromJson(const ParamInfo& p, const nlohmann::json& value) const {
    if (value.is_string()) return parse(p, value.get<std::string>());
    if (value.is_boolean()) {
        if (p.type != PF_Param_CHECKBOX) {
            throw InputError(inQuotes(p.name) + ": true/false is only for checkboxes");
        }
        return ParamValue{value.get<bool>() ? 1.0 : 0.0, 0, 0, 0};
    }
    if (value.is_number()) {
        if (p.type == PF_Param_COLOR || p.type == PF_Param_POINT) {
            throw InputError(inQuotes(p.name) + ": a " + p.typeName() + " is not a single number");
        }
        const double v = value.get<double>();
        const std::string text = formatNumber(v);
        if (p.type == PF_Param_POPUP || p.type == PF_Param_CHECKBOX) return parse(p, text);
        return checkedNumber(p, v, text);
    }
    if (value.is_array() && p.type == PF_Param_POINT && value.size() == 2 && value[0].is_number() &&
        value[1].is_number()) {
        return ParamValue{value[0].get<double>(), value[1].get<double>(), 0, 0};
    }
    throw InputError(inQuotes(p.name) + ": " + value.dump() + " is not a value for a " +
                     p.typeName());
}

}  // namespace Corvane::Tessory::Cli
