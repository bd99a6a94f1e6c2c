// The EGL display of the process, found the same way by the host and by the effect so
// both make their contexts on one EGLDisplay and can switch between them freely: the
// first hardware device on the EGL device platform, else Mesa's surfaceless platform
// (llvmpipe). No display server is involved.
#pragma once

#include <EGL/egl.h>

#include <functional>
#include <string>

namespace Corvane::Tessory {

class PlatformDisplay {
  public:
    enum class Platform { None, Device, Surfaceless };

    struct Found {
        EGLDisplay display = EGL_NO_DISPLAY;
        Platform platform = Platform::None;
        std::string error;  // why none was found; empty when one was
    };
    /// A further test of an initialised display; false, with a reason, passes it over.
    using Suitable = std::function<bool(EGLDisplay, std::string& error)>;

    /// Tries the hardware device, then the surfaceless platform: each candidate is opened
    /// (eglGetPlatformDisplay or its EXT form) and initialised (eglInitialize), and taken
    /// when suitable accepts it. Displays are never terminated: others may use them.
    static Found find(const Suitable& suitable = {});

    /// True when the space-separated extension list holds name as a whole word.
    static bool hasExtension(const char* list, const char* name);
    /// "what failed (EGL error 0x3001)" with the thread's last EGL error.
    static std::string failure(const char* what);
    /// "device", "surfaceless" or "none".
    static const char* name(Platform platform);
};

}  // namespace Corvane::Tessory
