#include "Host/PixelBuffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace Corvane::Tessory::Host {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

}  // namespace

PixelBuffer::PixelBuffer(size_t bytes) : mSize(bytes) {
    if (bytes == 0) return;
    if (bytes < kHugePage) {
        mData = static_cast<uint8_t*>(std::calloc(bytes, 1));
        if (!mData) throw std::bad_alloc();
        return;
    }
    // Whole huge pages at an aligned start: map one page more than that, then give back
    // what lies before and after.
    const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (length < bytes || length + kHugePage < length) throw std::bad_alloc();
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<uint8_t*>(raw);
    auto* start = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(base) + kHugePage - 1) &
                                             ~uintptr_t(kHugePage - 1));
    if (start > base) munmap(base, size_t(start - base));
    munmap(start + length, size_t(base + kHugePage - start));
#ifdef MADV_HUGEPAGE
    // Advice only: where huge pages are off, the buffer works in small ones.
    madvise(start, length, MADV_HUGEPAGE);
#endif
    mData = start;
    mMapped = length;
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : mData(std::exchange(other.mData, nullptr)),
      mSize(std::exchange(other.mSize, 0)),
      mMapped(std::exchange(other.mMapped, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        release();
        mData = std::exchange(other.mData, nullptr);
        mSize = std::exchange(other.mSize, 0);
        mMapped = std::exchange(other.mMapped, 0);
    }
    return *this;
}

PixelBuffer::~PixelBuffer() {
    release();
}

PixelBuffer PixelBuffer::copy() const {
    PixelBuffer out(mSize);
    if (mSize) std::memcpy(out.mData, mData, mSize);
    return out;
}

void PixelBuffer::release() noexcept {
    if (mMapped) {
        munmap(mData, mMapped);
    } else {
        std::free(mData);
    }
    mData = nullptr;
    mSize = mMapped = 0;
}

}  // namespace Corvane::Tessory::Host
