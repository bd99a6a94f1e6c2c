// The host's memory as the plug-in sees it: blocks of the basic suite, relocatable PF
// handles and AEGP memory handles, each kept in a store that knows what is still out.
// Internal to the host runtime; the suite tables forward here.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "AE_Effect.h"
#include "AE_GeneralPlug.h"
#include "Host/HostCalls.h"
#include "SPBasic.h"

namespace Corvane::Tessory::Host {

class HostMemory {
  public:
    /// calls must outlive the store.
    explicit HostMemory(const HostCalls& calls) : mCalls(calls) {}
    /// Frees whatever the plug-in did not give back.
    ~HostMemory();
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    int liveBlocks() const;
    int liveHandles() const;
    int liveMemHandles() const;

    SPErr allocateBlock(size_t size, void** block);
    SPErr freeBlock(void* block);
    SPErr reallocateBlock(void* block, size_t size, void** newBlock);

    PF_Handle newHandle(A_HandleSize size);
    void* lockHandle(PF_Handle handle);
    void unlockHandle(PF_Handle handle);
    void disposeHandle(PF_Handle handle);
    A_HandleSize handleSize(PF_Handle handle);
    PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle);

    A_Err newMemHandle(const A_char* what, AEGP_MemSize size, AEGP_MemFlag flags,
                       AEGP_MemHandle* memH);
    A_Err freeMemHandle(AEGP_MemHandle memH);
    A_Err lockMemHandle(AEGP_MemHandle memH, void** ptr);
    A_Err unlockMemHandle(AEGP_MemHandle memH);
    A_Err memHandleSize(AEGP_MemHandle memH, AEGP_MemSize* size);
    /// A new memory handle holding text and its terminating zero.
    AEGP_MemHandle textHandle(const std::string& text, const char* what);

  private:
    struct MemBlock {
        std::unique_ptr<uint8_t[]> bytes;
        AEGP_MemSize size = 0;
        int locks = 0;
        std::string what;
    };
    // A PF handle points at its block, whose first member is the data pointer, as a
    // relocatable handle does.
    struct HandleBlock {
        void* data = nullptr;
        A_HandleSize size = 0;
        int locks = 0;
    };
    /// A buffer kept after a PF handle was disposed of, handed out again for a handle of
    /// the same size: a plug-in that asks for a frame-sized handle every frame then gets
    /// the same pages instead of fresh ones to fault in.
    struct SpareBlock {
        void* data = nullptr;
        A_HandleSize size = 0;
    };
    static constexpr size_t kSpareBlocks = 2;
    void* takeSpare(A_HandleSize size);
    /// Lock held.
    void keepSpare(void* data, A_HandleSize size);

    const HostCalls& mCalls;
    mutable std::recursive_mutex mMutex;
    std::unordered_map<void*, size_t> mBlocks;
    std::unordered_map<PF_Handle, std::unique_ptr<HandleBlock>> mHandles;
    std::vector<SpareBlock> mSpares;
    std::unordered_map<AEGP_MemHandle, std::unique_ptr<MemBlock>> mMemHandles;
};

}  // namespace Corvane::Tessory::Host
