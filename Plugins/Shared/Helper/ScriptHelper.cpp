#include "Helper/ScriptHelper.h"

#include "AE_GeneralPlug.h"
#include "Helper/SuiteScoper.h"

namespace Corvane::Tessory {
namespace {

// The POSIX locale's white space, whatever locale the host process has set: bytes of 0x80
// and above are never white space here.
bool isWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::string ScriptHelper::RunSriptAndGetStringResult(SPBasicSuite* basic, const char* script) {
    SuiteScoper<AEGP_UtilitySuite5> utility(basic, kAEGPUtilitySuite, 11);
    SuiteScoper<AEGP_MemorySuite1> memory(basic, kAEGPMemorySuite, 1);
    // A host that answers success with a null table has no such suite either; the scopers
    // give back whatever they hold on the way out.
    if (!utility.get() || !memory.get()) {
        throw static_cast<A_Err>(A_Err_MISSING_SUITE);
    }

    std::string result;
    AEGP_MemHandle resultH = nullptr;
    AEGP_MemHandle errorH = nullptr;
    // The host's answer code is not used: whatever text came back is the answer.
    utility->AEGP_ExecuteScript(0, script, false, &resultH, &errorH);

    void* resultText = nullptr;
    void* errorText = nullptr;
    if (resultH) {
        memory->AEGP_LockMemHandle(resultH, &resultText);
    }
    if (errorH) {
        memory->AEGP_LockMemHandle(errorH, &errorText);
    }
    if (resultText) {
        result = static_cast<const char*>(resultText);
    }
    // Freeing a locked handle is allowed; the host drops the lock with it.
    if (resultH) {
        memory->AEGP_FreeMemHandle(resultH);
    }
    if (errorH) {
        memory->AEGP_FreeMemHandle(errorH);
    }
    return result;
}

std::string ScriptHelper::TrimStringWhiteSpaces(const std::string& text) {
    std::string trimmed = text;
    size_t first = 0;
    while (first < trimmed.size() && isWhiteSpace(trimmed[first])) {
        ++first;
    }
    trimmed.erase(0, first);
    size_t end = trimmed.size();
    while (end > 0 && isWhiteSpace(trimmed[end - 1])) {
        --end;
    }
    trimmed.erase(end);
    return trimmed;
}

}  // namespace Corvane::Tessory
