// The effect's frame computed on the CPU, straight on the host's 8-bit buffers, for hosts
// that offer no GPU: the same compositing as the GL program, the same bilinear sampling
// of the input as the float texture gives, the same 8-bit premultiplied target and output
// pass, without any GL call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CompositingInputs.h"
#include "Helper/WorkerPool.h"

namespace Corvane::Tessory {

class CpuRender {
  public:
    /// One layer's pixels as the host lays them out: alpha, red, green, blue bytes.
    struct Pixels {
        unsigned char* data = nullptr;
        std::ptrdiff_t rowBytes = 0;
        int width = 0;
        int height = 0;
    };

    /// threads: as WorkerPool (0 is one per hardware thread).
    explicit CpuRender(unsigned threads = 0);

    /// Composites the frame of the input's size and writes every pixel of the output that
    /// lies within it; the two must not overlap. Safe to call from several threads at once
    /// (one frame at a time uses the pool, the others run on their callers). Allocates
    /// before it writes anything: a std::bad_alloc leaves the output as it was.
    void render(const CompositingInputs& in, const Pixels& input, const Pixels& output);

  private:
    WorkerPool mPool;
};

}  // namespace Corvane::Tessory
