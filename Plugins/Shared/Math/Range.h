// Integer span: a start and a length.
#pragma once

#include <cstdint>

namespace Corvane::Tessory {

/// Start and length as signed 32-bit integers.
class Range {
  public:
    /// The largest length, standing for "everything from the start on".
    static constexpr int32_t kWhole = 2147483647;

    int32_t start;
    int32_t length;

    /// whole: from 0 over the largest length; otherwise the empty range at 0.
    explicit Range(bool whole);
    explicit Range(int32_t s);
    Range(int32_t s, int32_t n);
    Range(const Range& o) = default;
    Range& operator=(const Range& o) = default;
};

}  // namespace Corvane::Tessory
