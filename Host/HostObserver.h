// What a host lets a test see and steer: every call the plug-in makes into it, a failure
// in place of any failable call, a suite withheld or answered without a table, and the
// texts the plug-in shows. A host without an observer records nothing and pays one pointer
// test per call; only tests attach one (HostProbe).
#pragma once

#include <string>
#include <string_view>

#include "A.h"

namespace Corvane::Tessory::Host {

class HostObserver {
  public:
    /// How AcquireSuite answers for a suite name.
    enum class SuiteAnswer { Offered, Missing, NullTable };

    virtual ~HostObserver() = default;

    /// One call as a line ("AcquireSuite PF ANSI Suite 1"); may come from any thread.
    virtual void called(std::string line) = 0;
    /// True when this call of that name is to fail; error, when given, receives the code.
    virtual bool fails(std::string_view call, A_Err* error) = 0;
    virtual SuiteAnswer suite(std::string_view name) = 0;
    /// A text the plug-in showed the user (AEGP_ReportInfo, a command's error message).
    virtual void shown(std::string text) = 0;
};

}  // namespace Corvane::Tessory::Host
