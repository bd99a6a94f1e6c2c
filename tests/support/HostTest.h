// A host process, its probe, and the two command records a plug-in function is handed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AE_Effect.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"

namespace Corvane::Tessory::Testing {

class HostTest : public ::testing::Test {
  protected:
    HostTest() {
        in.pica_basicP = host.basicSuite();
        in.utils = host.utilCallbacks();
    }

    std::string message() const { return out.return_msg; }
    bool displayFlag() const { return (out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0; }

    /// The calls whose lines start with prefix, oldest first.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : probe.calls()) {
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    Host::HostApp host;

    Host::HostProbe probe{host};
    PF_InData in{};
    PF_OutData out{};
};

/// The integer a call threw, or nothing when it returned.
inline std::optional<A_Err> thrownCode(const std::function<void()>& call) {
    try {
        call();
    } catch (A_Err code) {
        return code;
    }
    return std::nullopt;
}

}  // namespace Corvane::Tessory::Testing
