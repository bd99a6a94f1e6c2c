#pragma once
// The program's options and subcommands; run() is main() without the process around it.
#include <cstdio>

namespace Corvane::Tessory::Cli {

class CommandLine {
  public:
    // Exit status: 0 done, 2 bad input or options (one line on stderr), 1 anything else.
    static int run(int argc, char** argv);
};

}  // namespace Corvane::Tessory::Cli
