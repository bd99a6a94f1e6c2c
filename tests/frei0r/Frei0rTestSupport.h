// Shared by the frei0r bridge tests: the built bridge loaded the way a frei0r host loads
// it, and comparisons of frames.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Frei0rApi.h"
#include "Programs.h"

namespace Corvane::Tessory::Frei0r::Testing {

using namespace Corvane::Tessory::Testing;

inline int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

/// The largest difference of any byte; -1 when the sizes differ.
inline int maxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return -1;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

/// The bridge's frei0r functions from a dlopen of that file, as a host sees them.
struct Frei0rModule {
    explicit Frei0rModule(const std::string& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(std::string("dlopen: ") + dlerror());
        init = sym<decltype(init)>("f0r_init");
        deinit = sym<decltype(deinit)>("f0r_deinit");
        pluginInfo = sym<decltype(pluginInfo)>("f0r_get_plugin_info");
        paramInfo = sym<decltype(paramInfo)>("f0r_get_param_info");
        construct = sym<decltype(construct)>("f0r_construct");
        destruct = sym<decltype(destruct)>("f0r_destruct");
        setParam = sym<decltype(setParam)>("f0r_set_param_value");
        getParam = sym<decltype(getParam)>("f0r_get_param_value");
        update = sym<decltype(update)>("f0r_update");
    }
    ~Frei0rModule() {
        if (handle) dlclose(handle);
    }
    Frei0rModule(const Frei0rModule&) = delete;
    Frei0rModule& operator=(const Frei0rModule&) = delete;

    /// Index of the frei0r parameter with that name; -1 if none.
    int paramIndex(const std::string& name) const {
        f0r_plugin_info_t info{};
        pluginInfo(&info);
        for (int i = 0; i < info.num_params; ++i) {
            f0r_param_info_t p{};
            paramInfo(&p, i);
            if (p.name && name == p.name) return i;
        }
        return -1;
    }

    void* handle = nullptr;
    int (*init)() = nullptr;
    void (*deinit)() = nullptr;
    void (*pluginInfo)(f0r_plugin_info_t*) = nullptr;
    void (*paramInfo)(f0r_param_info_t*, int) = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*setParam)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*getParam)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*) = nullptr;

  private:
    template <typename T>
    T sym(const char* name) {
        void* p = dlsym(handle, name);
        if (!p) throw std::runtime_error(std::string("missing ") + name);
        return reinterpret_cast<T>(p);
    }
};

/// A frame of distinct bytes in every channel (R, G, B, A in memory), opaque; each seed
/// gives another frame.
inline std::vector<uint32_t> patternFrame(int w, int h, int seed = 0) {
    std::vector<uint32_t> frame(static_cast<size_t>(w) * h);
    auto* bytes = reinterpret_cast<uint8_t*>(frame.data());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = bytes + (static_cast<size_t>(y) * w + x) * 4;
            p[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
            p[2] = static_cast<uint8_t>((x + y) * 7 + seed * 37);
            p[3] = 255;
        }
    }
    return frame;
}

}  // namespace Corvane::Tessory::Frei0r::Testing
