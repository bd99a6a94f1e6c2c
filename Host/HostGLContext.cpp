#include "Host/HostGLContext.h"

#include <EGL/eglext.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace Corvane::Tessory::Host {
namespace {

struct DisplayState {
    EGLDisplay display = EGL_NO_DISPLAY;
    PlatformDisplay::Platform platform = PlatformDisplay::Platform::None;
    EGLConfig config = nullptr;
    bool noConfig = false;  // EGL_KHR_no_config_context: contexts without a config
    std::string error;
};

// A thread that ends with a context still current keeps that context alive, so it is let
// go at the thread's end. Only the binding is dropped: that hook can run while another thread
// is inside exit(), where an EGL call racing libEGL's own tear-down aborts the process (see
// releaseThread). Threads of a host never get here with anything current: the bridges hand
// every such thread back through releaseThread.
struct ThreadRelease {
    bool used = false;
    ~ThreadRelease();
};
thread_local ThreadRelease tThreadRelease;

std::mutex gErrorMutex;
std::string gContextError;

// What the host needs of a display beyond the shared choice: core-profile contexts
// without a surface, and a configuration (or none at all) that renders OpenGL.
bool suitable(DisplayState& s, EGLDisplay display, std::string& error) {
    EGLint major = 0, minor = 0;
    eglInitialize(display, &major, &minor);  // already initialised: only the version
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if ((major < 1 || (major == 1 && minor < 5)) &&
        !PlatformDisplay::hasExtension(extensions, "EGL_KHR_create_context")) {
        error = "the EGL display cannot make core-profile contexts";
        return false;
    }
    if (!PlatformDisplay::hasExtension(extensions, "EGL_KHR_surfaceless_context")) {
        error = "the EGL display has no surfaceless contexts";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = PlatformDisplay::failure("eglBindAPI(EGL_OPENGL_API)");
        return false;
    }
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                 EGL_DONT_CARE, EGL_NONE};
    EGLint found = 0;
    if (eglChooseConfig(display, attributes, &s.config, 1, &found) && found > 0) {
        s.noConfig = false;
    } else if (PlatformDisplay::hasExtension(extensions, "EGL_KHR_no_config_context")) {
        s.noConfig = true;
        s.config = nullptr;
    } else {
        error = "no EGL configuration renders OpenGL";
        return false;
    }
    return true;
}

DisplayState open() {
    tThreadRelease.used = true;  // opening the display makes EGL calls on this thread
    DisplayState s;
    const PlatformDisplay::Found found = PlatformDisplay::find(
        [&s](EGLDisplay display, std::string& error) { return suitable(s, display, error); });
    s.display = found.display;
    s.platform = found.platform;
    s.error = found.error;
    return s;
}

const DisplayState& state() {
    static const DisplayState s = open();
    return s;
}

ThreadRelease::~ThreadRelease() {
    if (!used) return;
    const DisplayState& s = state();
    if (s.display == EGL_NO_DISPLAY) return;
    eglBindAPI(EGL_OPENGL_API);
    eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

// Every per-thread EGL call of the host starts here, so the thread is known to hold EGL state.
void bindOpenGL() {
    tThreadRelease.used = true;
    eglBindAPI(EGL_OPENGL_API);
}

}  // namespace

HostGLContext::HostGLContext() {
    const DisplayState& s = state();
    if (s.display == EGL_NO_DISPLAY) return;
    bindOpenGL();
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 2,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    mContext = eglCreateContext(s.display, s.noConfig ? EGL_NO_CONFIG_KHR : s.config,
                                EGL_NO_CONTEXT, attributes);
    std::lock_guard<std::mutex> lock(gErrorMutex);
    gContextError =
        mContext == EGL_NO_CONTEXT ? PlatformDisplay::failure("eglCreateContext") : std::string();
}

HostGLContext::~HostGLContext() {
    if (mContext != EGL_NO_CONTEXT) eglDestroyContext(state().display, mContext);
}

bool HostGLContext::makeCurrent() const {
    if (mContext == EGL_NO_CONTEXT) return false;
    bindOpenGL();
    return eglMakeCurrent(state().display, EGL_NO_SURFACE, EGL_NO_SURFACE, mContext) == EGL_TRUE;
}

std::string HostGLContext::probeRendererName() {
    const HostGLContext probe;
    if (!probe.makeCurrent()) return std::string();
    // Looked up rather than linked: the host runtime issues no other GL call.
    using GetString = const unsigned char* (*)(unsigned int);
    const auto getString = reinterpret_cast<GetString>(eglGetProcAddress("glGetString"));
    constexpr unsigned int kRenderer = 0x1F01;  // GL_RENDERER
    const unsigned char* name = getString ? getString(kRenderer) : nullptr;
    std::string text = name ? std::string(reinterpret_cast<const char*>(name)) : std::string();
    releaseCurrent();
    return text;
}

bool HostGLContext::softwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (renderer.find(name) != std::string::npos) return true;
    }
    return false;
}

bool HostGLContext::isCurrent() const {
    return mContext != EGL_NO_CONTEXT && current() == mContext;
}

EGLDisplay HostGLContext::display() {
    return state().display;
}

PlatformDisplay::Platform HostGLContext::platform() {
    return state().platform;
}

const char* HostGLContext::platformName() {
    return PlatformDisplay::name(platform());
}

std::string HostGLContext::error() {
    const DisplayState& s = state();
    if (!s.error.empty()) return s.error;
    std::lock_guard<std::mutex> lock(gErrorMutex);
    return gContextError;
}

void HostGLContext::releaseCurrent() {
    const DisplayState& s = state();
    if (s.display == EGL_NO_DISPLAY) return;
    bindOpenGL();
    eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

// glvnd 1.6.0's libEGL frees the per-thread state of every thread from its destructor in
// exit(), reading its list of them unlocked, while a thread that ends at that moment frees
// its own from a pthread key destructor: the same block is freed twice ("double free or
// corruption", or glvnd's assertion in DispatchCurrentUnref). Host threads end when their
// host pleases, often while the host leaves the process (GStreamer's pooled streaming
// threads). A thread with no EGL state left has nothing for either side to free, and that
// is how every call into the effect from a host thread ends.
void HostGLContext::releaseThread() {
    if (!tThreadRelease.used) return;
    tThreadRelease.used = false;
    const DisplayState& s = state();
    if (s.display == EGL_NO_DISPLAY) return;
    eglBindAPI(EGL_OPENGL_API);
    eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglReleaseThread();
}

EGLContext HostGLContext::current() {
    tThreadRelease.used = true;
    const EGLenum api = eglQueryAPI();
    if (api == EGL_OPENGL_API) return eglGetCurrentContext();
    eglBindAPI(EGL_OPENGL_API);
    const EGLContext context = eglGetCurrentContext();
    eglBindAPI(api);
    return context;
}

}  // namespace Corvane::Tessory::Host
