#include "media/OiioStills.h"

#include <dlfcn.h>

#include <filesystem>

#include "Host/PluginModule.h"
#include "media/OiioStillAbi.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace {

struct Module {
    TessoryStillRead read = nullptr;
    TessoryStillHasAlpha hasAlpha = nullptr;
    TessoryStillWrite write = nullptr;
    std::string failure;  // why the module could not be loaded; empty when it was
};

// Beside the effect module: plugins/ in the build tree, lib/tessory/ when installed. Never
// closed: the loaded format libraries keep state of their own until the process ends.
const Module& module() {
    static const Module loaded = [] {
        Module m;
        std::error_code ec;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
        const std::string path = Host::PluginModule::moduleNear(self, OiioStillAbi::kModuleName);
        void* handle = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = path.empty() ? nullptr : dlerror();
            m.failure = std::string("this format needs ") + OiioStillAbi::kModuleName + ", " +
                        (why ? why : "which is not installed beside the program");
            return m;
        }
        m.read = reinterpret_cast<TessoryStillRead>(dlsym(handle, OiioStillAbi::kReadSymbol));
        m.hasAlpha =
            reinterpret_cast<TessoryStillHasAlpha>(dlsym(handle, OiioStillAbi::kHasAlphaSymbol));
        m.write = reinterpret_cast<TessoryStillWrite>(dlsym(handle, OiioStillAbi::kWriteSymbol));
        if (!m.read || !m.hasAlpha || !m.write) m.failure = path + " lacks its functions";
        return m;
    }();
    return loaded;
}

struct Allocation {
    const Host::PixelLimit& limit;
    const std::string& path;
    Image image;
    std::string refusal;
};

uint8_t* allocate(void* context, int width, int height) {
    auto& a = *static_cast<Allocation*>(context);
    // The header's size, checked before anything of that size exists.
    if (!a.limit.allows(width, height)) {
        a.refusal =
            "input '" + a.path + "' is " + a.limit.describe(width, height) + " (--max-pixels)";
        return nullptr;
    }
    try {
        a.image = Image(width, height);
    } catch (const std::bad_alloc&) {
        a.refusal = "cannot read input '" + a.path + "': not enough memory for a " +
                    std::to_string(width) + "x" + std::to_string(height) + " picture";
        return nullptr;
    }
    return a.image.data();
}

}  // namespace

Image OiioStills::read(const std::string& path, const Host::PixelLimit& limit) {
    const Module& m = module();
    if (!m.read) throw InputError("cannot read input '" + path + "': " + m.failure);
    Allocation a{limit, path, Image(), std::string()};
    char error[512] = {};
    if (!m.read(path.c_str(), allocate, &a, error, sizeof error)) {
        throw InputError(!a.refusal.empty() ? a.refusal
                                            : "cannot read input '" + path + "': " + error);
    }
    return std::move(a.image);
}

bool OiioStills::hasAlpha(const std::string& path) {
    const Module& m = module();
    return m.hasAlpha && m.hasAlpha(path.c_str());
}

void OiioStills::write(const std::string& path, const Image& image,
                       const std::string& displayName) {
    const Module& m = module();
    if (!m.write) throw InputError("cannot write output '" + displayName + "': " + m.failure);
    char error[512] = {};
    if (!m.write(path.c_str(), image.width(), image.height(), image.data(), error, sizeof error)) {
        throw InputError("cannot write output '" + displayName + "': " + error);
    }
}

}  // namespace Corvane::Tessory::Cli
