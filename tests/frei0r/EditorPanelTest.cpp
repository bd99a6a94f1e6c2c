// The editors' panels against the bridge's own parameter list, so neither can drift from
// the other: Kdenlive's effect description parameter by parameter.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "BridgeParams.h"
#include "Programs.h"

namespace Corvane::Tessory::Frei0r::Testing {
namespace {

// An attribute (key="value") or a child element (<key>value</key>) of a <parameter>
// element; "" when absent.
std::string field(const std::string& element, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(element, m, std::regex(pattern)) ? m[1].str() : "";
}
std::string attribute(const std::string& element, const std::string& key) {
    return field(element, "\\s" + key + "=\"([^\"]*)\"");
}
std::string child(const std::string& element, const std::string& key) {
    return field(element, "<" + key + ">([^<]*)</" + key + ">");
}

TEST(EditorPanels, KdenliveDescribesEveryParameterInTheEffectsUnits) {
    const std::string xml = Corvane::Tessory::Testing::contents(TESSORY_KDENLIVE_XML);
    std::vector<std::string> elements;
    const std::regex parameter(R"(<parameter\s[\s\S]*?</parameter>)");
    for (std::sregex_iterator it(xml.begin(), xml.end(), parameter), end; it != end; ++it)
        elements.push_back(it->str());
    const std::vector<ParamEntry>& entries = paramEntries();
    ASSERT_EQ(elements.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ParamEntry& e = entries[i];
        const std::string& p = elements[i];
        SCOPED_TRACE(e.name);
        auto number = [&](const char* key, const char* absent = "nan") {
            const std::string v = attribute(p, key);
            return std::stod(v.empty() ? absent : v);
        };
        // MLT reads a name that is a number as the frei0r index.
        EXPECT_EQ(attribute(p, "name"), std::to_string(i));
        EXPECT_EQ(child(p, "name"), e.name);
        std::string type = attribute(p, "type"), numbers, names;
        switch (e.kind) {
            case Kind::Popup:
                for (size_t c = 0; c < e.choices.size(); ++c) {
                    numbers += (c ? ";" : "") + std::to_string(c + 1);
                    names += (c ? "," : "") + e.choices[c];
                }
                EXPECT_EQ(type, "list");
                EXPECT_EQ(attribute(p, "paramlist"), numbers);
                EXPECT_EQ(child(p, "paramlistdisplay"), names);
                EXPECT_EQ(number("default"), e.def[0]);
                break;
            case Kind::Slider:
            case Kind::FloatSlider:
            case Kind::Angle:
                // Kdenlive shows frei0r value x factor + offset: 0..1 must span min..max.
                EXPECT_EQ(type, "animated");
                EXPECT_EQ(number("min"), e.min);
                EXPECT_EQ(number("max"), e.max);
                EXPECT_EQ(number("factor"), e.max - e.min);
                EXPECT_EQ(number("offset", "0"), e.min);
                EXPECT_EQ(number("default"), e.def[0]);
                break;
            case Kind::Checkbox:
                EXPECT_EQ(type, "bool");
                EXPECT_EQ(number("default"), e.def[0]);
                break;
            case Kind::Color: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "#%02x%02x%02x", unsigned(e.def[1]),
                              unsigned(e.def[2]), unsigned(e.def[3]));
                EXPECT_EQ(type, "color");
                EXPECT_EQ(attribute(p, "default"), hex);
                break;
            }
            case Kind::Point:
                // MLT passes no positions: shown as fixed, explained in the description.
                EXPECT_EQ(type, "fixed");
                break;
        }
    }
}

}  // namespace
}  // namespace Corvane::Tessory::Frei0r::Testing
