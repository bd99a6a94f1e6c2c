#include "Host/HostMemory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace Corvane::Tessory::Host {

HostMemory::~HostMemory() {
    for (auto& [data, size] : mBlocks) std::free(data);
    for (auto& [handle, block] : mHandles) std::free(block->data);
    for (SpareBlock& spare : mSpares) std::free(spare.data);
}

int HostMemory::liveBlocks() const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(mBlocks.size());
}

int HostMemory::liveHandles() const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(mHandles.size());
}

int HostMemory::liveMemHandles() const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(mMemHandles.size());
}

// ---- Blocks of the basic suite ----

SPErr HostMemory::allocateBlock(size_t size, void** block) {
    mCalls.log("AllocateBlock ", size);
    if (!block) return A_Err_PARAMETER;
    *block = nullptr;
    A_Err err = A_Err_ALLOC;
    if (mCalls.fault("AllocateBlock", &err)) return err;
    void* data = std::malloc(size ? size : 1);
    if (!data) return A_Err_ALLOC;
    mCalls.markUncleared(data, size);
    std::lock_guard lock(mMutex);
    mBlocks[data] = size;
    *block = data;
    return kSPNoError;
}

SPErr HostMemory::freeBlock(void* block) {
    mCalls.log("FreeBlock");
    std::lock_guard lock(mMutex);
    auto it = mBlocks.find(block);
    if (it == mBlocks.end()) return A_Err_PARAMETER;
    std::free(block);
    mBlocks.erase(it);
    return kSPNoError;
}

SPErr HostMemory::reallocateBlock(void* block, size_t size, void** newBlock) {
    mCalls.log("ReallocateBlock ", size);
    if (!newBlock) return A_Err_PARAMETER;
    A_Err err = A_Err_ALLOC;
    if (mCalls.fault("ReallocateBlock", &err)) return err;
    std::lock_guard lock(mMutex);
    if (block && !mBlocks.count(block)) return A_Err_PARAMETER;
    size_t oldSize = 0;
    if (block) {
        oldSize = mBlocks[block];
        mBlocks.erase(block);
    }
    void* data = std::realloc(block, size ? size : 1);
    if (!data) {
        if (block) mBlocks[block] = oldSize;  // the old block stays valid
        return A_Err_ALLOC;
    }
    mBlocks[data] = size;
    *newBlock = data;
    return kSPNoError;
}

// ---- Handle suite ----

PF_Handle HostMemory::newHandle(A_HandleSize size) {
    mCalls.log("host_new_handle ", size);
    if (mCalls.fault("host_new_handle")) return nullptr;
    auto block = std::make_unique<HandleBlock>();
    block->data = takeSpare(size);
    if (!block->data) block->data = std::malloc(size ? size : 1);
    if (!block->data) return nullptr;
    mCalls.markUncleared(block->data, size);
    block->size = size;
    PF_Handle handle = block.get();
    std::lock_guard lock(mMutex);
    mHandles[handle] = std::move(block);
    return handle;
}

void* HostMemory::takeSpare(A_HandleSize size) {
    std::lock_guard lock(mMutex);
    for (auto it = mSpares.begin(); it != mSpares.end(); ++it) {
        if (it->size == size) {
            void* data = it->data;
            mSpares.erase(it);
            return data;
        }
    }
    return nullptr;
}

void HostMemory::keepSpare(void* data, A_HandleSize size) {
    // Lock held. The oldest spare makes room: sizes change when the frame size does.
    if (mSpares.size() == kSpareBlocks) {
        std::free(mSpares.front().data);
        mSpares.erase(mSpares.begin());
    }
    mSpares.push_back(SpareBlock{data, size});
}

void* HostMemory::lockHandle(PF_Handle handle) {
    mCalls.log("host_lock_handle");
    if (mCalls.fault("host_lock_handle")) return nullptr;
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it == mHandles.end()) return nullptr;
    ++it->second->locks;
    return it->second->data;
}

void HostMemory::unlockHandle(PF_Handle handle) {
    mCalls.log("host_unlock_handle");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it != mHandles.end() && it->second->locks > 0) --it->second->locks;
}

void HostMemory::disposeHandle(PF_Handle handle) {
    mCalls.log("host_dispose_handle");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it == mHandles.end()) return;
    keepSpare(it->second->data, it->second->size);
    mHandles.erase(it);
}

A_HandleSize HostMemory::handleSize(PF_Handle handle) {
    mCalls.log("host_get_handle_size");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    return it == mHandles.end() ? 0 : it->second->size;
}

PF_Err HostMemory::resizeHandle(A_HandleSize size, PF_Handle* handle) {
    mCalls.log("host_resize_handle ", size);
    A_Err err = PF_Err_OUT_OF_MEMORY;
    if (mCalls.fault("host_resize_handle", &err)) return err;
    if (!handle) return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(*handle);
    if (it == mHandles.end()) return PF_Err_BAD_CALLBACK_PARAM;
    HandleBlock& block = *it->second;
    // A locked handle cannot move.
    if (block.locks > 0) return PF_Err_BAD_CALLBACK_PARAM;
    void* data = std::realloc(block.data, size ? size : 1);
    if (!data) return PF_Err_OUT_OF_MEMORY;
    if (size > block.size) {
        mCalls.markUncleared(static_cast<uint8_t*>(data) + block.size, size - block.size);
    }
    block.data = data;
    block.size = size;
    return PF_Err_NONE;
}

// ---- Memory suite ----

A_Err HostMemory::newMemHandle(const A_char* what, AEGP_MemSize size, AEGP_MemFlag flags,
                               AEGP_MemHandle* memH) {
    mCalls.log("AEGP_NewMemHandle ", what ? what : "", " ", size);
    if (!memH) return A_Err_PARAMETER;
    *memH = nullptr;
    A_Err err = A_Err_ALLOC;
    if (mCalls.fault("AEGP_NewMemHandle", &err)) return err;
    auto block = std::make_unique<MemBlock>();
    block->bytes.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!block->bytes) return A_Err_ALLOC;
    if (flags & AEGP_MemFlag_CLEAR) {
        std::memset(block->bytes.get(), 0, size);
    } else {
        mCalls.markUncleared(block->bytes.get(), size);
    }
    block->size = size;
    block->what = what ? what : "";
    auto handle = reinterpret_cast<AEGP_MemHandle>(block.get());
    std::lock_guard lock(mMutex);
    mMemHandles[handle] = std::move(block);
    *memH = handle;
    return A_Err_NONE;
}

A_Err HostMemory::freeMemHandle(AEGP_MemHandle memH) {
    mCalls.log("AEGP_FreeMemHandle");
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_FreeMemHandle", &err)) return err;
    std::lock_guard lock(mMutex);
    // Freeing a locked handle is allowed: the lock goes with it.
    return mMemHandles.erase(memH) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err HostMemory::lockMemHandle(AEGP_MemHandle memH, void** ptr) {
    mCalls.log("AEGP_LockMemHandle");
    if (!ptr) return A_Err_PARAMETER;
    *ptr = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_LockMemHandle", &err)) return err;
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end()) return A_Err_PARAMETER;
    ++it->second->locks;
    *ptr = it->second->bytes.get();
    return A_Err_NONE;
}

A_Err HostMemory::unlockMemHandle(AEGP_MemHandle memH) {
    mCalls.log("AEGP_UnlockMemHandle");
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end() || it->second->locks == 0) return A_Err_PARAMETER;
    --it->second->locks;
    return A_Err_NONE;
}

A_Err HostMemory::memHandleSize(AEGP_MemHandle memH, AEGP_MemSize* size) {
    mCalls.log("AEGP_GetMemHandleSize");
    if (!size) return A_Err_PARAMETER;
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end()) return A_Err_PARAMETER;
    *size = it->second->size;
    return A_Err_NONE;
}

AEGP_MemHandle HostMemory::textHandle(const std::string& text, const char* what) {
    auto block = std::make_unique<MemBlock>();
    block->size = static_cast<AEGP_MemSize>(text.size() + 1);
    block->bytes.reset(new uint8_t[block->size]);
    std::memcpy(block->bytes.get(), text.c_str(), text.size() + 1);
    block->what = what;
    auto handle = reinterpret_cast<AEGP_MemHandle>(block.get());
    std::lock_guard lock(mMutex);
    mMemHandles[handle] = std::move(block);
    return handle;
}

}  // namespace Corvane::Tessory::Host
