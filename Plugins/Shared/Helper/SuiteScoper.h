// Scoped access to host suites: acquire on construction, give back on destruction.
#pragma once

#include <cstring>

#include "AE_Drawbot.h"
#include "AE_Effect.h"
#include "SPBasic.h"

namespace Corvane::Tessory {

/// Holds one host suite for the lifetime of a scope. A missing suite throws the integer
/// A_Err_MISSING_SUITE (13) from the constructor, which the entry point turns into an error
/// answer; scopers already built in the same command then release in reverse order.
/// `name` is not copied: pass a string literal.
template <typename T>
class SuiteScoper {
  public:
    SuiteScoper(const PF_InData* in_data, const char* name, int32_t version,
                PF_OutData* out_data = nullptr, const char* message = nullptr)
        : mBasicSuite(in_data->pica_basicP), mSuiteName(name), mSuiteVersion(version) {
        const void* table = nullptr;
        if (mBasicSuite->AcquireSuite(name, version, &table) == kSPNoError) {
            mSuite = static_cast<const T*>(table);
            return;
        }
        if (out_data) {
            out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
            // The text is used as a format without arguments, as the host's callback expects.
            // That callback does not know the size of return_msg, so a longer text is cut to
            // it first.
            const char* source = message ? message : "Not able to acquire AEFX Suite.";
            char text[sizeof(out_data->return_msg)];
            const size_t length = strnlen(source, sizeof(text) - 1);
            std::memcpy(text, source, length);
            text[length] = '\0';
            in_data->utils->ansi.sprintf(out_data->return_msg, text);
        }
        throw static_cast<A_Err>(A_Err_MISSING_SUITE);
    }

    /// For code that holds only the basic suite; never writes a message.
    SuiteScoper(SPBasicSuite* basic, const char* name, int32_t version)
        : mBasicSuite(basic), mSuiteName(name), mSuiteVersion(version) {
        const void* table = nullptr;
        if (mBasicSuite->AcquireSuite(name, version, &table) != kSPNoError) {
            throw static_cast<A_Err>(A_Err_MISSING_SUITE);
        }
        mSuite = static_cast<const T*>(table);
    }

    ~SuiteScoper() {
        // A host that answered success with a null table gets nothing back.
        if (mSuite) {
            mBasicSuite->ReleaseSuite(mSuiteName, mSuiteVersion);
        }
    }

    SuiteScoper(const SuiteScoper&) = delete;
    SuiteScoper& operator=(const SuiteScoper&) = delete;

    /// The table. A host that answered success with a null table would have the call
    /// through it crash; it throws A_Err_MISSING_SUITE instead, as a missing suite does.
    const T* operator->() const {
        if (!mSuite) throw static_cast<A_Err>(A_Err_MISSING_SUITE);
        return mSuite;
    }
    /// The table as the host gave it, null included; never throws.
    const T* get() const { return mSuite; }

    const T* mSuite = nullptr;

  private:
    SPBasicSuite* mBasicSuite;
    const char* mSuiteName;
    int32_t mSuiteVersion;
};

/// Acquires a suite with an error code instead of a throw: 516 and a message for the host
/// when there is no basic suite or the table comes back null.
PF_Err AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                    const char* error_string, void** suite);

/// Gives a suite back; 516 and a message when there is no basic suite.
PF_Err ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                    const char* error_string);

/// Acquires the four drawing suites in order; stops at the first failure, leaving the ones
/// before it acquired.
PF_Err AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suiteP);

/// Releases the four drawing suites; always answers 0.
PF_Err ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data);

}  // namespace Corvane::Tessory
