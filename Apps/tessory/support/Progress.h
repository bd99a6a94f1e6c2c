#pragma once
// A progress line on stderr for multi-frame work: frames done, frames per second, time left.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Corvane::Tessory::Cli {

class Progress {
  public:
    // total 0 means unknown (no bar, no time left). Silent when quiet.
    Progress(int64_t total, bool quiet, std::FILE* stream = stderr);

    void step();    // one more frame done; redraws at most ten times a second
    void finish();  // final line with the totals

    // The text of one line, apart from the clock: testable on its own.
    static std::string line(int64_t done, int64_t total, double seconds);

  private:
    void draw(bool final);

    int64_t mTotal;
    bool mQuiet;
    bool mTerminal;
    std::FILE* mStream;
    int64_t mDone = 0;
    std::chrono::steady_clock::time_point mStart, mLastDraw;
    bool mFinished = false;
};

}  // namespace Corvane::Tessory::Cli
