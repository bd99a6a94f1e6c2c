#include "Math/Range.h"

namespace Corvane::Tessory {

Range::Range(bool whole) : start(0), length(whole ? kWhole : 0) {}

Range::Range(int32_t s) : start(s), length(0) {}

Range::Range(int32_t s, int32_t n) : start(s), length(n) {}

}  // namespace Corvane::Tessory
