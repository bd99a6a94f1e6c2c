#include "params/Preset.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "params/ParamParser.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace {

// [[t, v], ...]: every element a pair whose first item is a time. A point's plain [x, y]
// has numbers, not pairs, as elements, so it never reads as keys.
bool looksLikeKeys(const nlohmann::ordered_json& v) {
    if (!v.is_array() || v.empty()) return false;
    return std::all_of(v.begin(), v.end(), [](const nlohmann::ordered_json& k) {
        return k.is_array() && k.size() == 2 && k[0].is_number();
    });
}

nlohmann::json plain(const nlohmann::ordered_json& v) {
    return nlohmann::json::parse(v.dump());
}

// A preset is a flat object of values, lists of keys and points: three levels deep. The
// library's dump and comparison recurse once per level, so a file nested deeper than this
// is refused while it is parsed, before anything recurses on it.
constexpr int kMaxDepth = 16;

}  // namespace

Preset Preset::parse(const std::string& text, const ParamParser& parser,
                     const std::string& source) {
    const std::string where = "preset '" + source + "': ";
    // Kept in file order, so entries apply and errors report in the order written.
    nlohmann::ordered_json doc;
    try {
        doc = nlohmann::ordered_json::parse(
            text, [](int depth, nlohmann::ordered_json::parse_event_t, nlohmann::ordered_json&) {
                if (depth > kMaxDepth) {
                    throw InputError("values nested more than " + std::to_string(kMaxDepth) +
                                     " levels deep");
                }
                return true;
            });
    } catch (const InputError& e) {
        throw InputError(where + e.what());
    } catch (const nlohmann::json::parse_error& e) {
        std::string what = e.what();
        // Drop the library's "[json.exception.parse_error.101] " tag.
        const size_t tag = what.find("] ");
        if (tag != std::string::npos) what.erase(0, tag + 2);
        throw InputError(where + "bad JSON: " + what);
    }
    if (!doc.is_object()) {
        throw InputError(where + "expected an object of \"Parameter Name\": value");
    }
    Preset preset;
    for (const auto& [name, value] : doc.items()) {
        try {
            const ParamInfo& p = parser.find(name);
            if (std::any_of(preset.mEntries.begin(), preset.mEntries.end(),
                            [&](const Entry& e) { return e.index == p.index; })) {
                throw InputError("\"" + p.name + "\" is given twice");
            }
            Entry entry;
            entry.index = p.index;
            entry.name = p.name;
            if (looksLikeKeys(value)) {
                entry.animated = true;
                for (const auto& key : value) {
                    const double t = key[0].get<double>();
                    if (t < 0) {
                        throw InputError("\"" + p.name + "\": key time " + formatNumber(t) +
                                         " is negative");
                    }
                    entry.keys.push_back({t, parser.fromJson(p, plain(key[1]))});
                }
                std::stable_sort(
                    entry.keys.begin(), entry.keys.end(),
                    [](const Keyframe& a, const Keyframe& b) { return a.seconds < b.seconds; });
            } else if (value.is_array() && value.empty()) {
                throw InputError("\"" + p.name + "\": empty list of keys");
            } else {
                entry.value = parser.fromJson(p, plain(value));
            }
            preset.mEntries.push_back(std::move(entry));
        } catch (const InputError& e) {
            throw InputError(where + e.what());
        }
    }
    return preset;
}

Preset Preset::load(const std::string& path, const ParamParser& parser) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError("cannot read preset '" + path + "'");
    // Read at most one byte past the limit, so that a huge file (or an endless pipe) is
    // refused without being held.
    std::string text(kMaxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) throw InputError("cannot read preset '" + path + "'");
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxBytes) {
        throw InputError("preset '" + path + "' is larger than " +
                         std::to_string(kMaxBytes / 1024) + " KiB; a preset holds values and keys");
    }
    return parse(text, parser, path);
}

}  // namespace Corvane::Tessory::Cli
