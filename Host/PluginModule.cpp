#include "Host/PluginModule.h"

#include <dlfcn.h>

#include <cstdlib>

#include "Host/HostError.h"

#ifndef TESSORY_DEFAULT_PLUGIN
#error "TESSORY_DEFAULT_PLUGIN must name the module this build makes"
#endif

namespace Corvane::Tessory::Host {

namespace {
// A leak checker names a module's functions only while the module is mapped, and it looks
// at the end of the process; sanitizer builds keep every module mapped after dlclose.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kKeepMapped = RTLD_NODELETE;
#else
constexpr int kKeepMapped = 0;
#endif
}  // namespace

PluginModule::PluginModule(const std::string& path) : mPath(path) {
    mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMapped);
    if (!mHandle) {
        const char* why = dlerror();
        throw HostError("cannot load " + path + ": " + (why ? why : "unknown error"));
    }
    dlerror();
    void* symbol = dlsym(mHandle, "EntryPointFunc");
    const char* why = dlerror();
    if (!symbol || why) {
        const std::string message =
            "no EntryPointFunc in " + path + ": " + (why ? why : "the symbol is null");
        dlclose(mHandle);
        throw HostError(message);
    }
    mEntry = reinterpret_cast<PF_EntryPointFunc>(symbol);
}

PluginModule::~PluginModule() {
    if (mHandle) dlclose(mHandle);
}

std::string PluginModule::defaultPath() {
    const char* env = std::getenv("TESSORY_PLUGIN");
    if (env && *env) return env;
    return TESSORY_DEFAULT_PLUGIN;
}

}  // namespace Corvane::Tessory::Host
