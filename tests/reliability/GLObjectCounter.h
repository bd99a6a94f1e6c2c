// The GL objects the effect has alive, counted from the names its glGen* and glCreate*
// calls hand out and its glDelete* calls give back, seen through the GL binding library
// that the module shares with this process. Framebuffers and vertex arrays belong to the
// context that made them and die with it.
#pragma once

#include <map>
#include <string>

namespace Corvane::Tessory::Testing {

class GLObjectCounter {
  public:
    /// Starts counting in every context the binding switches to; safe to call more than
    /// once. Only the calls that make or delete objects report, so frames stay fast.
    static void install();
    /// Objects alive per kind ("Textures", "Framebuffers", "Programs", ...); kinds with none
    /// alive are left out.
    static std::map<std::string, int> alive();
    static int total();
    /// "Textures 1, Programs 1" for messages.
    static std::string describe();
};

}  // namespace Corvane::Tessory::Testing
