#include "support/StdoutDiversion.h"

#include <unistd.h>

#include <exception>
#include <iostream>

namespace Corvane::Tessory::Cli {

StdoutDiversion::StdoutDiversion(bool show) : mShow(show), mExceptions(std::uncaught_exceptions()) {
    std::cout.flush();
    std::fflush(stdout);
    // An unnamed temporary file rather than a pipe: the plug-in can print any amount
    // without a reader draining it.
    mHeld = std::tmpfile();
    mSaved = dup(STDOUT_FILENO);
    if (mSaved < 0) return;
    const int target = mHeld ? fileno(mHeld) : STDERR_FILENO;
    if (dup2(target, STDOUT_FILENO) < 0) {
        close(mSaved);
        mSaved = -1;
    }
}

StdoutDiversion::~StdoutDiversion() {
    std::cout.flush();
    std::fflush(stdout);
    if (mSaved >= 0) {
        dup2(mSaved, STDOUT_FILENO);
        close(mSaved);
    }
    if (!mHeld) return;
    if (mShow || std::uncaught_exceptions() > mExceptions) {
        std::rewind(mHeld);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, mHeld)) > 0) {
            std::fwrite(buffer, 1, n, stderr);
        }
        std::fflush(stderr);
    }
    std::fclose(mHeld);
}

}  // namespace Corvane::Tessory::Cli
