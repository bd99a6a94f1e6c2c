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

    /// $TESSORY_PLUGIN when set and not empty, else moduleNear() the program or library
    /// this code is linked into (the runtime is a static library).
    static std::string defaultPath();
    /// The effect module (or another of our modules, by name) for a binary at file:
    /// ../plugins/Tessory.so in the build tree, ../tessory/Tessory.so for the frei0r filter
    /// installed in lib/frei0r-1/, ../lib/tessory/Tessory.so for a program installed in
    /// bin/; empty when none exists.
    static std::string moduleNear(const std::string& file, const std::string& name = "Tessory.so");

  private:
    std::string mPath;
    void* mHandle = nullptr;
    PF_EntryPointFunc mEntry = nullptr;
};

}  // namespace Corvane::Tessory::Host
