// Holds back what the plug-in prints (its GL information block, shader errors) while it
// runs, so the program's own stdout (parameter lists, JSON) stays clean to pipe and a
// quiet run prints nothing. The held text goes to stderr when asked for (--verbose) or
// when the diverted call ends by throwing, where a shader error explains the failure.
#pragma once

#include <cstdio>

namespace Corvane::Tessory::Cli {

class StdoutDiversion {
  public:
    explicit StdoutDiversion(bool show);
    ~StdoutDiversion();
    StdoutDiversion(const StdoutDiversion&) = delete;
    StdoutDiversion& operator=(const StdoutDiversion&) = delete;

  private:
    bool mShow;
    int mExceptions;
    int mSaved = -1;
    std::FILE* mHeld = nullptr;
};

}  // namespace Corvane::Tessory::Cli
