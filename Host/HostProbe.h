// The test side of a host: a record of every call the plug-in made, faults injected in
// place of any failable call, suites withheld, the texts the plug-in showed, and counts of
// what the plug-in still holds. Only tests link it; attaching one to a host is what makes
// that host record anything.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Host/HostObserver.h"

namespace Corvane::Tessory::Host {

class HostApp;

class HostProbe final : public HostObserver {
  public:
    /// Attaches itself to host, which must outlive it; detaches when destroyed.
    explicit HostProbe(HostApp& host);
    ~HostProbe() override;
    HostProbe(const HostProbe&) = delete;
    HostProbe& operator=(const HostProbe&) = delete;

    // Faults. Suite names without version ("PF ANSI Suite").
    /// AcquireSuite answers kSPSuiteNotFoundError and writes a null table.
    void withholdSuite(const std::string& name);
    /// AcquireSuite answers 0 but writes a null table.
    void nullSuite(const std::string& name);
    /// The nth next call of that name fails with error (functions without an error result
    /// return null or do nothing). Names as the API spells them: "add_param",
    /// "checkout_param", "host_new_handle", "AEGP_NewMemHandle", "AcquireSuite", ...
    void failCall(const std::string& call, int nth = 1, A_Err error = A_Err_GENERIC);
    void clearFaults();

    // What the plug-in did.
    /// One line per call the plug-in made, oldest first ("AcquireSuite PF ANSI Suite 1").
    /// Read it while no command is running.
    const std::vector<std::string>& calls() const { return mCalls; }
    /// Lines starting with prefix.
    int countCalls(std::string_view prefix) const;
    void clearCalls();
    /// Texts the plug-in showed: AEGP_ReportInfo, and return_msg after a command that set
    /// PF_OutFlag_DISPLAY_ERROR_MESSAGE.
    const std::vector<std::string>& messages() const { return mMessages; }
    void clearMessages();

    // What the plug-in still holds of the host.
    int outstandingSuites() const;
    int liveHandles() const;
    int liveMemHandles() const;
    int liveEffectHandles() const;
    int liveStreamHandles() const;
    int liveBlocks() const;

    // HostObserver.
    void called(std::string line) override;
    bool fails(std::string_view call, A_Err* error) override;
    SuiteAnswer suite(std::string_view name) override;
    void shown(std::string text) override;

  private:
    struct Fault {
        std::string call;
        int remaining;
        A_Err error;
    };

    HostApp& mHost;
    mutable std::mutex mMutex;
    std::vector<std::string> mCalls;
    std::vector<std::string> mMessages;
    std::vector<Fault> mFaults;
    std::set<std::string, std::less<>> mWithheld;
    std::set<std::string, std::less<>> mNulled;
};

}  // namespace Corvane::Tessory::Host
