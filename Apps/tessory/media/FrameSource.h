#pragma once
// Where the frames of a render come from: a video file or a numbered sequence of pictures.
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

#include "media/Image.h"
#include "media/VideoColour.h"

namespace Corvane::Tessory::Cli {

struct VideoFrame {
    Image image;
    double seconds = 0;  // presentation time in the source's clock
    int64_t index = 0;   // position in the source, from 0
};

class FrameSource {
  public:
    virtual ~FrameSource() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    // Nominal frame rate as a fraction.
    virtual int rateNum() const = 0;
    virtual int rateDen() const = 0;
    double fps() const { return static_cast<double>(rateNum()) / rateDen(); }
    // Frames the source announces; 0 when unknown.
    virtual int64_t expectedFrames() const = 0;
    // Source time of the first frame.
    virtual double startSeconds() const = 0;
    // The unit frame times are whole multiples of.
    virtual AVRational timeBase() const = 0;
    virtual const VideoColour& colour() const = 0;
    virtual bool hasAlpha() const = 0;
    // Bits per channel before the conversion to 8.
    virtual int bitDepth() const = 0;
    // Where the audio to copy comes from; empty for none.
    virtual std::string audioSource() const = 0;

    // Next frame in presentation order, reusing frame's picture; false at the end. Throws
    // InputError on unreadable data.
    virtual bool read(VideoFrame& frame) = 0;
    // Asks, before the first read, for pictures in the host's A, R, G, B order; false
    // where the source gives R, G, B, A only.
    virtual bool deliverHostOrder() { return false; }
};

}  // namespace Corvane::Tessory::Cli
