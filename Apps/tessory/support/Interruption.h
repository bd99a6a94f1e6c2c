#pragma once
// SIGINT and SIGTERM as a request to stop. The handler only records the signal; the render
// loops ask between frames and stop by throwing Stopped, so every temporary file is removed
// on the way out and an existing target stays as it was.
#include <stdexcept>

namespace Corvane::Tessory::Cli {

class Interruption {
  public:
    struct Stopped : std::runtime_error {
        explicit Stopped(int signal);
        int signal;
    };

    /// Installs the handlers for SIGINT and SIGTERM.
    static void install();
    /// The signal that asked to stop; 0 while none did.
    static int received();
    /// Throws Stopped once a signal asked to stop.
    static void check();
};

}  // namespace Corvane::Tessory::Cli
