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
    HostGLContext::Platform platform = HostGLContext::Platform::None;
    EGLConfig config = nullptr;
    bool noConfig = false;  // EGL_KHR_no_config_context: contexts without a config
    std::string error;
};

std::mutex gErrorMutex;
std::string gContextError;

bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[length] == ' ' || p[length] == '\0';
        if (startOk && endOk) return true;
    }
    return false;
}

std::string eglErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

EGLDisplay platformDisplay(EGLenum platform, void* native) {
    // EGL 1.5 has eglGetPlatformDisplay; older libraries the EXT form.
    using GetPlatformDisplay = EGLDisplay (*)(EGLenum, void*, const EGLAttrib*);
    using GetPlatformDisplayExt = EGLDisplay (*)(EGLenum, void*, const EGLint*);
    if (auto get =
            reinterpret_cast<GetPlatformDisplay>(eglGetProcAddress("eglGetPlatformDisplay"))) {
        return get(platform, native, nullptr);
    }
    if (auto get = reinterpret_cast<GetPlatformDisplayExt>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"))) {
        return get(platform, native, nullptr);
    }
    return EGL_NO_DISPLAY;
}

// The first device that is not Mesa's software device; null when there is none.
void* hardwareDevice(const char* clientExtensions) {
    if (!hasExtension(clientExtensions, "EGL_EXT_platform_device") ||
        !hasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
        return nullptr;
    }
    auto query =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    if (!query) return nullptr;
    EGLint count = 0;
    if (!query(0, nullptr, &count) || count <= 0) return nullptr;
    std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
    if (!query(count, devices.data(), &count)) return nullptr;
    for (EGLint i = 0; i < count; ++i) {
        const char* extensions = queryString ? queryString(devices[i], EGL_EXTENSIONS) : nullptr;
        if (!hasExtension(extensions, "EGL_MESA_device_software")) return devices[i];
    }
    return nullptr;
}

bool tryInitialize(DisplayState& s, EGLDisplay display, HostGLContext::Platform platform) {
    if (display == EGL_NO_DISPLAY) return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        s.error = eglErrorText("eglInitialize");
        return false;
    }
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if ((major < 1 || (major == 1 && minor < 5)) &&
        !hasExtension(extensions, "EGL_KHR_create_context")) {
        s.error = "the EGL display cannot make core-profile contexts";
        return false;
    }
    if (!hasExtension(extensions, "EGL_KHR_surfaceless_context")) {
        s.error = "the EGL display has no surfaceless contexts";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        s.error = eglErrorText("eglBindAPI(EGL_OPENGL_API)");
        return false;
    }
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                 EGL_DONT_CARE, EGL_NONE};
    EGLint found = 0;
    if (eglChooseConfig(display, attributes, &s.config, 1, &found) && found > 0) {
        s.noConfig = false;
    } else if (hasExtension(extensions, "EGL_KHR_no_config_context")) {
        s.noConfig = true;
        s.config = nullptr;
    } else {
        s.error = "no EGL configuration renders OpenGL";
        return false;
    }
    s.display = display;
    s.platform = platform;
    s.error.clear();
    return true;
}

DisplayState open() {
    DisplayState s;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!client) {
        s.error = "EGL has no client extensions (no platform displays)";
        return s;
    }
    if (void* device = hardwareDevice(client)) {
        if (tryInitialize(s, platformDisplay(EGL_PLATFORM_DEVICE_EXT, device),
                          HostGLContext::Platform::Device)) {
            return s;
        }
    }
    if (hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        if (tryInitialize(s, platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY),
                          HostGLContext::Platform::Surfaceless)) {
            return s;
        }
    } else if (s.error.empty()) {
        s.error = "EGL offers neither a hardware device nor the surfaceless platform";
    }
    return s;
}

const DisplayState& state() {
    static const DisplayState s = open();
    return s;
}

// Dropping what this thread had current when it ends lets the contexts be destroyed and
// used again by other threads.
struct ThreadRelease {
    bool used = false;
    ~ThreadRelease() {
        if (used) eglReleaseThread();
    }
};
thread_local ThreadRelease tThreadRelease;

}  // namespace

HostGLContext::HostGLContext() {
    const DisplayState& s = state();
    if (s.display == EGL_NO_DISPLAY) return;
    eglBindAPI(EGL_OPENGL_API);
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
    gContextError = mContext == EGL_NO_CONTEXT ? eglErrorText("eglCreateContext") : std::string();
}

HostGLContext::~HostGLContext() {
    if (mContext != EGL_NO_CONTEXT) eglDestroyContext(state().display, mContext);
}

bool HostGLContext::makeCurrent() const {
    if (mContext == EGL_NO_CONTEXT) return false;
    eglBindAPI(EGL_OPENGL_API);
    tThreadRelease.used = true;
    return eglMakeCurrent(state().display, EGL_NO_SURFACE, EGL_NO_SURFACE, mContext) == EGL_TRUE;
}

bool HostGLContext::isCurrent() const {
    return mContext != EGL_NO_CONTEXT && current() == mContext;
}

EGLDisplay HostGLContext::display() {
    return state().display;
}

HostGLContext::Platform HostGLContext::platform() {
    return state().platform;
}

const char* HostGLContext::platformName() {
    switch (platform()) {
        case Platform::Device:
            return "device";
        case Platform::Surfaceless:
            return "surfaceless";
        default:
            return "none";
    }
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
    eglBindAPI(EGL_OPENGL_API);
    eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

EGLContext HostGLContext::current() {
    const EGLenum api = eglQueryAPI();
    if (api == EGL_OPENGL_API) return eglGetCurrentContext();
    eglBindAPI(EGL_OPENGL_API);
    const EGLContext context = eglGetCurrentContext();
    eglBindAPI(api);
    return context;
}

}  // namespace Corvane::Tessory::Host
