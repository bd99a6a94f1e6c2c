// An X server of the test's own (Xvfb on a free display number), a connection to it, and
// DISPLAY naming it. The server ends with the object, or with the test process if that is
// killed.
#pragma once

#include <sys/types.h>

#include <string>

namespace Corvane::Tessory::Testing {

class VirtualDisplay {
  public:
    /// Throws std::runtime_error when Xvfb does not start (Debian: xvfb).
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    /// The Xlib Display*.
    void* display() const { return mDisplay; }
    const std::string& name() const { return mName; }

  private:
    pid_t mServer = -1;
    std::string mName;
    void* mDisplay = nullptr;
};

}  // namespace Corvane::Tessory::Testing
