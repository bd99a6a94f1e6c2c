#include "commands/FrameRange.h"

#include <charconv>
#include <string>

#include "params/ParamParser.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace {
bool wholeNumber(std::string_view text, int64_t& value) {
    const std::string t = trim(text);
    if (t.empty()) return false;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() && value >= 0;
}
}  // namespace

FrameRange FrameRange::parse(std::string_view text) {
    const std::string bad = "bad frame range \"" + std::string(text) + "\" (expected A-B, ";
    FrameRange range;
    const size_t dash = text.find('-');
    const bool ok = dash == std::string_view::npos
                        ? wholeNumber(text, range.first)
                        : wholeNumber(text.substr(0, dash), range.first) &&
                              wholeNumber(text.substr(dash + 1), range.last);
    if (!ok) throw InputError(bad + "frame numbers from 0)");
    if (dash == std::string_view::npos) range.last = range.first;
    if (range.last < range.first) throw InputError(bad + "A not after B)");
    return range;
}

}  // namespace Corvane::Tessory::Cli
