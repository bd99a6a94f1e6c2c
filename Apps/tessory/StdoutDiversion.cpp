#include "StdoutDiversion.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace Corvane::Tessory::Cli {

StdoutDiversion::StdoutDiversion() {
    std::cout.flush();
    std::fflush(stdout);
    mSaved = dup(STDOUT_FILENO);
    if (mSaved >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
}

StdoutDiversion::~StdoutDiversion() {
    std::cout.flush();
    std::fflush(stdout);
    if (mSaved >= 0) {
        dup2(mSaved, STDOUT_FILENO);
        close(mSaved);
    }
}

}  // namespace Corvane::Tessory::Cli
