// Runs a shell command as a child of its own and reports its exit status and peak
// resident memory, so memory tests measure the program people run rather than a fixture.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace Corvane::Tessory::Testing {

struct PeakRun {
    int status = -1;   // exit status; -1 when it did not exit normally
    long peakKiB = 0;  // the child's peak resident set (its exec'd program with exec)
};

/// The command runs under /bin/sh; prefix it with exec so the figure is the program's own.
inline PeakRun peakResident(const std::string& command) {
    PeakRun run;
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

/// Frames of a long run: what the growth test renders, 300 and this many.
constexpr int kGrowthFrames = 3000;
/// The most a program's peak may grow between frame 300 and kGrowthFrames.
constexpr long kGrowthLimitKiB = 16 * 1024;

}  // namespace Corvane::Tessory::Testing
