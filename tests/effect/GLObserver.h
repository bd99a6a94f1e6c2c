// Watches the GL calls the effect makes, through the GL binding library that the module
// shares with this process: every context the binding switches to reports its calls here.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Corvane::Tessory::Testing {

struct GLCall {
    std::string name;                 // "glUniform1f"
    std::vector<std::string> params;  // as the binding prints them
    std::string result;
    std::vector<float> floats;  // the array handed to glUniform*fv / glUniformMatrix*fv
};

class GLObserver {
  public:
    /// Starts recording; safe to call more than once.
    static void install();
    static void clear();
    static std::vector<GLCall> calls();
    static int count(std::string_view name);
    /// The values uploaded per uniform name, the last upload of each name winning; the
    /// name comes from the glGetUniformLocation that precedes each upload.
    static std::map<std::string, std::vector<float>> uniforms();
};

/// EGL contexts made and destroyed in this process, seen through wrappers of
/// eglCreateContext and eglDestroyContext that this executable exports.
class EGLContextProbe {
  public:
    static std::vector<void*> created();
    static std::vector<void*> destroyed();
    static void clear();
    /// Called with each context right after it is destroyed, before EGL may hand its
    /// address to a new one; one listener, set before the contexts of interest exist.
    static void onDestroyed(std::function<void(void*)> listener);
};

}  // namespace Corvane::Tessory::Testing
