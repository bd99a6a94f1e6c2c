// One effect module loaded into the process and its entry point.
#pragma once

#include <string>

#include "AE_Effect.h"

namespace Corvane::Tessory::Host {

class PluginModule {
  public:
    /// dlopen(RTLD_NOW | RTLD_LOCAL) and dlsym("EntryPointFunc"); throws HostError naming
    /// the path and the loader's message.
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    PF_EntryPointFunc entry() const { return mEntry; }
    const std::string& path() const { return mPath; }

    /// $TESSORY_PLUGIN when set and not empty, else the module this build makes.
    static std::string defaultPath();

  private:
    std::string mPath;
    void* mHandle = nullptr;
    PF_EntryPointFunc mEntry = nullptr;
};

}  // namespace Corvane::Tessory::Host
