#include "Host/Param.h"

namespace Corvane::Tessory::Host {

std::vector<std::string> splitChoices(std::string_view text) {
    std::vector<std::string> names;
    if (text.empty()) return names;
    for (size_t start = 0;;) {
        const size_t bar = text.find('|', start);
        names.emplace_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) return names;
        start = bar + 1;
    }
}

}  // namespace Corvane::Tessory::Host
