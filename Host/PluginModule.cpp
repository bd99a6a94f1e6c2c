#include "Host/PluginModule.h"

#include <dlfcn.h>

#include <cstdlib>

#include "Host/HostError.h"

#ifndef TESSORY_DEFAULT_PLUGIN
#error "TESSORY_DEFAULT_PLUGIN must name the module this build makes"
#endif

namespace Corvane::Tessory::Host {

PluginModule::PluginModule(const std::string& path) : mPath(path) {
    mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
