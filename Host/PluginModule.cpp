#include "Host/PluginModule.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "Host/HostError.h"

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

std::string PluginModule::moduleNear(const std::string& file, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::weakly_canonical(fs::path(file), ec).parent_path();
    // The build tree (bin/, frei0r/ and mlt/ beside plugins/), then an installed tree: the
    // frei0r filter in lib/frei0r-1/, a program in bin/, the MLT module in
    // lib/<arch>/mlt-7/. Never a host's plug-in folder itself: hosts open every library
    // there as a filter.
    for (const fs::path& candidate :
         {dir.parent_path() / "plugins" / name, dir.parent_path() / "tessory" / name,
          dir.parent_path() / "lib" / "tessory" / name,
          dir.parent_path().parent_path() / "tessory" / name}) {
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
    }
    return {};
}

std::string PluginModule::defaultPath() {
    const char* env = std::getenv("TESSORY_PLUGIN");
    if (env && *env) return env;
    // The program or library this code is linked into: the host runtime is static.
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&PluginModule::defaultPath), &info) || !info.dli_fname) {
        return "Tessory.so";
    }
    // The loader names a library by its path, the program by the name it was started as.
    std::error_code ec;
    std::filesystem::path self(info.dli_fname);
    if (!self.is_absolute() || !std::filesystem::exists(self, ec)) {
        self = std::filesystem::read_symlink("/proc/self/exe", ec);
    }
    const std::string near = moduleNear(self.string());
    if (!near.empty()) return near;
    // Not found: the load fails naming where an installed module would be.
    return (self.parent_path().parent_path() / "lib" / "tessory" / "Tessory.so").string();
}

}  // namespace Corvane::Tessory::Host
