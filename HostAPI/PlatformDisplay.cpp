#include "PlatformDisplay.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace Corvane::Tessory {
namespace {

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
    if (!PlatformDisplay::hasExtension(clientExtensions, "EGL_EXT_platform_device") ||
        !PlatformDisplay::hasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
        return nullptr;
    }
    auto query =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLint count = 0;
    if (!query || !query(0, nullptr, &count) || count <= 0) return nullptr;
    std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
    if (!query(count, devices.data(), &count)) return nullptr;
    for (EGLint i = 0; i < count; ++i) {
        const char* extensions = queryString ? queryString(devices[i], EGL_EXTENSIONS) : nullptr;
        if (!PlatformDisplay::hasExtension(extensions, "EGL_MESA_device_software")) {
            return devices[i];
        }
    }
    return nullptr;
}

}  // namespace

PlatformDisplay::Found PlatformDisplay::find(const Suitable& suitable) {
    Found found;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!client) {
        found.error = "EGL has no client extensions (no platform displays)";
        return found;
    }
    auto tryDisplay = [&](EGLDisplay display, Platform platform) {
        if (display == EGL_NO_DISPLAY) return false;
        if (!eglInitialize(display, nullptr, nullptr)) {
            found.error = failure("eglInitialize");
            return false;
        }
        if (suitable && !suitable(display, found.error)) return false;
        found.display = display;
        found.platform = platform;
        found.error.clear();
        return true;
    };
    if (void* device = hardwareDevice(client)) {
        if (tryDisplay(platformDisplay(EGL_PLATFORM_DEVICE_EXT, device), Platform::Device)) {
            return found;
        }
    }
    if (hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        tryDisplay(platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY),
                   Platform::Surfaceless);
    } else if (found.error.empty()) {
        found.error = "EGL offers neither a hardware device nor the surfaceless platform";
    }
    return found;
}

bool PlatformDisplay::hasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) return true;
    }
    return false;
}

std::string PlatformDisplay::failure(const char* what) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

const char* PlatformDisplay::name(Platform platform) {
    switch (platform) {
        case Platform::Device:
            return "device";
        case Platform::Surfaceless:
            return "surfaceless";
        default:
            return "none";
    }
}

}  // namespace Corvane::Tessory
