// Zeroed memory for pictures, owned by one object. Frame-sized buffers are mapped straight
// from the kernel, aligned to and asked for in huge pages: a 1080p frame then costs a few
// page faults instead of two thousand, and on a virtual machine each fault is dear. Pages
// are still touched only as they are written, so a buffer claimed and never filled costs
// little.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Corvane::Tessory::Host {

class PixelBuffer {
  public:
    PixelBuffer() = default;
    /// bytes of zeroes. Throws std::bad_alloc.
    explicit PixelBuffer(size_t bytes);
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    ~PixelBuffer();
    /// A new buffer holding the same bytes.
    PixelBuffer copy() const;

    uint8_t* data() { return mData; }
    const uint8_t* data() const { return mData; }
    size_t size() const { return mSize; }
    bool empty() const { return mSize == 0; }

  private:
    void release() noexcept;

    uint8_t* mData = nullptr;
    size_t mSize = 0;
    size_t mMapped = 0;  // bytes of the mapping; 0 for a buffer from calloc
};

}  // namespace Corvane::Tessory::Host
