#include "Host/PixelLimit.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace Corvane::Tessory::Host {

PixelLimit PixelLimit::fromEnvironment() {
    const char* text = std::getenv("TESSORY_MAX_PIXELS");
    if (!text || !*text) return PixelLimit();
    int64_t value = 0;
    const char* end = text + std::strlen(text);
    const auto [at, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && at == end && value > 0 ? PixelLimit(value) : PixelLimit();
}

bool PixelLimit::allows(int64_t width, int64_t height) const {
    return width > 0 && height > 0 && width <= mMax / height;
}

std::string PixelLimit::describe(int64_t width, int64_t height) const {
    return std::to_string(width) + "x" + std::to_string(height) + " (" +
           std::to_string(width * height) + " pixels), over the limit of " + std::to_string(mMax) +
           " pixels";
}

}  // namespace Corvane::Tessory::Host
