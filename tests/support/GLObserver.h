// Watches the GL calls the effect makes, through the GL binding library that the module
// shares with this process: every context the binding switches to reports here. It keeps
// the names of the calls, or only counts the objects alive (glGen*, glCreate*, glDelete*).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Corvane::Tessory::Testing {

class GLObserver {
  public:
    enum class Watch { Calls, Objects };
    /// Starts watching; the first call's kind holds for the process. Objects leaves every
    /// other function unreported, so that long runs stay fast.
    static void install(Watch watch = Watch::Calls);
    static void clear();
    /// Calls of that function since the last clear (Watch::Calls only).
    static int count(std::string_view name);
    /// Calls of any function since the last clear (Watch::Calls only).
    static int calls();
    /// Objects alive per kind ("Textures", "Framebuffers", "Program", ...). Framebuffers
    /// and vertex arrays belong to their context and die with it.
    static std::map<std::string, int> alive();
    static int total();
    /// "Textures 1, Program 1" for messages.
    static std::string describe();
};

/// EGL contexts made and destroyed in this process, seen through wrappers of
/// eglCreateContext and eglDestroyContext that the test executable exports.
class EGLContextProbe {
  public:
    static std::vector<void*> created();
    static std::vector<void*> destroyed();
    static void clear();
};

}  // namespace Corvane::Tessory::Testing
