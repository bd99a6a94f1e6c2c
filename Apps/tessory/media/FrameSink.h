#pragma once
// Where the frames of a render go: a video file or a numbered sequence of pictures.
#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    // Appends one frame at output time seconds (from 0), in R, G, B, A order or, where
    // takesHostOrder, in either.
    virtual void write(const Image& image, double seconds) = 0;
    virtual bool takesHostOrder() const { return false; }
    // Completes the output; without it the sink's files are removed when it goes.
    virtual void finish() = 0;
};

}  // namespace Corvane::Tessory::Cli
