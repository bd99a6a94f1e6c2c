#include "AllocationFailure.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace Corvane::Tessory::Testing {
namespace {

std::atomic<const void*> gModuleBase{nullptr};
std::atomic<int> gCountdown{0};
std::atomic<bool> gFired{false};

// Whether this allocation, made from code at caller, is the one to fail.
[[maybe_unused]] bool failsHere(const void* caller) {
    const void* base = gModuleBase.load(std::memory_order_acquire);
    if (!base) return false;
    Dl_info info{};
    if (!dladdr(caller, &info) || info.dli_fbase != base) return false;
    if (gCountdown.fetch_sub(1) != 1) return false;
    gModuleBase.store(nullptr, std::memory_order_release);
    gFired = true;
    return true;
}

}  // namespace

AllocationFailure::AllocationFailure(const void* moduleAddress, int nth) {
    Dl_info info{};
    if (!dladdr(moduleAddress, &info)) std::abort();
    gFired = false;
    gCountdown = nth;
    gModuleBase.store(info.dli_fbase, std::memory_order_release);
}

AllocationFailure::~AllocationFailure() {
    gModuleBase.store(nullptr, std::memory_order_release);
}

bool AllocationFailure::fired() const {
    return gFired;
}

}  // namespace Corvane::Tessory::Testing

// The process's operator new and delete, on malloc and free as the library's own are; the
// executable's definitions win over the library's for every module of the process. Not
// under AddressSanitizer, whose own operators the GL driver's compiler also reaches through
// variants replaced here only in part.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) {
    if (Corvane::Tessory::Testing::failsHere(__builtin_return_address(0))) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    if (Corvane::Tessory::Testing::failsHere(__builtin_return_address(0))) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#endif
