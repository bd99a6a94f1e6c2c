// Asking the host's scripting engine for a text answer, and trimming texts.
#pragma once

#include <string>

#include "SPBasic.h"

namespace Corvane::Tessory {

/// Needs only the host's basic suite, so it can run outside a command.
class ScriptHelper {
  public:
    /// Runs the zero-terminated UTF-8 script in the host and returns its result text (empty
    /// when the script produced none). A missing utility or memory suite (also one that comes
    /// back as a null table) throws the integer A_Err_MISSING_SUITE (13); suites already
    /// acquired are given back first.
    static std::string RunSriptAndGetStringResult(SPBasicSuite* basic, const char* script);

    /// A copy without leading and trailing space, tab, line feed, vertical tab, form feed and
    /// carriage return. Inner characters and bytes of 0x80 and above always stay.
    static std::string TrimStringWhiteSpaces(const std::string& text);
};

}  // namespace Corvane::Tessory
