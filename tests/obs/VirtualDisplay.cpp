#include "VirtualDisplay.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace Corvane::Tessory::Testing {

VirtualDisplay::VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    mServer = fork();
    if (mServer < 0) throw std::runtime_error("fork failed");
    if (mServer == 0) {
        // No litter if the test is killed; and no hold on the test's output pipes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
               "640x480x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    if (n > 0) {
        const std::string number(buffer, size_t(n));
        mName = ":" + number.substr(0, number.find('\n'));
        mDisplay = XOpenDisplay(mName.c_str());
        // libobs opens connections of its own (its hotkeys) through DISPLAY.
        setenv("DISPLAY", mName.c_str(), 1);
    }
    if (!mDisplay) {
        kill(mServer, SIGTERM);
        waitpid(mServer, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (Debian: xvfb)");
    }
}

VirtualDisplay::~VirtualDisplay() {
    XCloseDisplay(static_cast<Display*>(mDisplay));
    kill(mServer, SIGTERM);
    waitpid(mServer, nullptr, 0);
}

}  // namespace Corvane::Tessory::Testing
