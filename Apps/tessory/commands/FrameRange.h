#pragma once
// "--frames A-B": an inclusive span of frame numbers counted from 0; "N" is one frame.
#include <cstdint>
#include <string_view>

namespace Corvane::Tessory::Cli {

struct FrameRange {
    int64_t first = 0;
    int64_t last = 0;

    int64_t count() const { return last - first + 1; }
    bool contains(int64_t frame) const { return frame >= first && frame <= last; }

    // Throws InputError for anything but two non-negative whole numbers in order.
    static FrameRange parse(std::string_view text);
};

}  // namespace Corvane::Tessory::Cli
