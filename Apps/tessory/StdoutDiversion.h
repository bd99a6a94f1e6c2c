// Sends what the plug-in prints (its GL information block, shader errors) to stderr while
// it runs, so the program's own stdout (parameter lists, JSON) stays clean to pipe.
#pragma once

namespace Corvane::Tessory::Cli {

class StdoutDiversion {
  public:
    StdoutDiversion();
    ~StdoutDiversion();
    StdoutDiversion(const StdoutDiversion&) = delete;
    StdoutDiversion& operator=(const StdoutDiversion&) = delete;

  private:
    int mSaved = -1;
};

}  // namespace Corvane::Tessory::Cli
