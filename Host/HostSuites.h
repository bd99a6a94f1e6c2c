// The function tables a host hands out. The basic suite's functions carry no host
// pointer, so each live HostApp owns a slot with tables of its own: every function of
// slot S knows its host from S alone. Internal to the host runtime.
#pragma once

#include "AE_Effect.h"
#include "SPBasic.h"

namespace Corvane::Tessory::Host {

class HostApp;

class HostSuites {
  public:
    static constexpr int kSlots = 32;

    /// A free slot for the host; throws HostError when all are taken.
    static int claim(HostApp* host);
    /// After this, calls through the slot's tables answer errors instead of reaching the
    /// host that had it.
    static void release(int slot);

    static SPBasicSuite* basic(int slot);
    static PF_UtilCallbacks* utils(int slot);
    static const PF_InteractCallbacks& interact(int slot);
    /// The table of a suite this host offers at that version, or null.
    static const void* suite(int slot, const char* name, int32_t version);

  private:
    template <int S>
    struct Slot;
    struct Builder;
};

}  // namespace Corvane::Tessory::Host
