// The editors' panels against the bridge's own parameter list, so neither can drift from
// the other: Kdenlive's effect description parameter by parameter.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "BridgeParams.h"

namespace Corvane::Tessory::Frei0r::Testing {
namespace {

struct XmlParameter {
    std::map<std::string, std::string> attributes;
    std::string name;     // <name>
    std::string display;  // <paramlistdisplay>
};

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The <parameter> elements in document order; enough XML for this one file.
std::vector<XmlParameter> parameters(const std::string& xml) {
    std::vector<XmlParameter> out;
    const std::regex element(R"(<parameter\s([^>]*)>([\s\S]*?)</parameter>)");
    const std::regex attribute(R"re((\w+)="([^"]*)")re");
    const std::regex name(R"(<name>([^<]*)</name>)");
    const std::regex display(R"(<paramlistdisplay>([^<]*)</paramlistdisplay>)");
    for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it) {
        XmlParameter p;
        const std::string attributes = (*it)[1];
        for (std::sregex_iterator a(attributes.begin(), attributes.end(), attribute); a != end;
             ++a) {
            p.attributes[(*a)[1]] = (*a)[2];
        }
        const std::string body = (*it)[2];
        std::smatch m;
        if (std::regex_search(body, m, name)) p.name = m[1];
        if (std::regex_search(body, m, display)) p.display = m[1];
        out.push_back(p);
    }
    return out;
}

double number(const XmlParameter& p, const std::string& key, double fallback = NAN) {
    auto it = p.attributes.find(key);
    return it == p.attributes.end() ? fallback : std::stod(it->second);
}

TEST(EditorPanels, KdenliveDescribesEveryParameterInTheEffectsUnits) {
    const std::vector<XmlParameter> xml = parameters(fileText(TESSORY_KDENLIVE_XML));
    const std::vector<ParamEntry>& entries = paramEntries();
    ASSERT_EQ(xml.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ParamEntry& e = entries[i];
        const XmlParameter& p = xml[i];
        const std::string type = p.attributes.at("type");
        SCOPED_TRACE(e.name);
        // MLT reads a name that is a number as the frei0r index.
        EXPECT_EQ(p.attributes.at("name"), std::to_string(i));
        EXPECT_EQ(p.name, e.name);
        switch (e.kind) {
            case Kind::Popup: {
                EXPECT_EQ(type, "list");
                std::string numbers, names;
                for (size_t c = 0; c < e.choices.size(); ++c) {
                    numbers += (c ? ";" : "") + std::to_string(c + 1);
                    names += (c ? "," : "") + e.choices[c];
                }
                EXPECT_EQ(p.attributes.at("paramlist"), numbers);
                EXPECT_EQ(p.display, names);
                EXPECT_EQ(number(p, "default"), e.def[0]);
                break;
            }
            case Kind::Slider:
            case Kind::FloatSlider:
            case Kind::Angle:
                // Kdenlive shows frei0r value x factor + offset: 0..1 must span min..max.
                EXPECT_EQ(type, "animated");
                EXPECT_EQ(number(p, "min"), e.min);
                EXPECT_EQ(number(p, "max"), e.max);
                EXPECT_EQ(number(p, "factor"), e.max - e.min);
                EXPECT_EQ(number(p, "offset", 0), e.min);
                EXPECT_EQ(number(p, "default"), e.def[0]);
                break;
            case Kind::Checkbox:
                EXPECT_EQ(type, "bool");
                EXPECT_EQ(number(p, "default"), e.def[0]);
                break;
            case Kind::Color: {
                EXPECT_EQ(type, "color");
                char hex[8];
                std::snprintf(hex, sizeof hex, "#%02x%02x%02x", unsigned(e.def[1]),
                              unsigned(e.def[2]), unsigned(e.def[3]));
                EXPECT_EQ(p.attributes.at("default"), hex);
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
