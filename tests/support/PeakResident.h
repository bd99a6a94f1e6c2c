// Runs a shell command as a child of its own and reports its exit status and peak
// resident memory, so memory tests measure the program people run rather than a fixture.
#pragma once

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

namespace Corvane::Tessory::Testing {

/// For tests that bound this process's resident memory: every block of 1 MiB or more gets
/// pages of its own, returned when it is freed, so that resident memory follows the live
/// blocks. The programs leave the C library's default, which keeps large freed blocks for
/// reuse: turning it off cost them a frame's worth of fresh pages every frame.
inline void keepLargeBlocksMapped() {
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

/// Resident memory of this process in bytes.
inline uint64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    uint64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

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

/// An hour of video is 108,000 frames: whatever a program keeps per frame shows up as growth
/// of its peak between 300 frames and 3,000 of the same small clip; command(n) renders n.
/// Then one run of 40 frames of 1920x1080: a heap that keeps every large frame's buffers
/// grows by about 30 MiB a frame, to 1.5 GiB there, where the work itself needs under 500 MiB.
inline void expectMemoryFlat(const std::string& what,
                             const std::function<std::string(int frames)>& smallClip,
                             const std::string& fullHD) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer keeps freed memory in quarantine";
#endif
    const int frames[2] = {300, 3000};
    long peak[2] = {};
    for (int i = 0; i < 2; ++i) {
        const PeakRun r = peakResident(smallClip(frames[i]));
        ASSERT_EQ(r.status, 0) << what;
        peak[i] = r.peakKiB;
    }
    const PeakRun large = peakResident(fullHD);
    ASSERT_EQ(large.status, 0) << what;
    std::cout << "[ memory ] peak resident of " << what << ": " << peak[0] / 1024
              << " MiB after 300 frames, " << peak[1] / 1024 << " MiB after 3000, "
              << large.peakKiB / 1024 << " MiB over 40 full-HD frames" << std::endl;
    EXPECT_LE(peak[1] - peak[0], 16 * 1024) << what;
    EXPECT_LT(large.peakKiB, 1024L * 1024) << what;
}

}  // namespace Corvane::Tessory::Testing
