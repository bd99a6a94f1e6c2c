#pragma once
// 8-bit planar Y'CbCr (4:2:0, 4:2:2, 4:4:4) to and from RGBA bytes with the matrix and range
// of a VideoColour: the usual formats of video files, converted in single precision with
// rounding, in loops that vectorise. Faster and more exact than the general scaler with its
// accurate rounding, which stays for every other format.
extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <cstdint>
#include <optional>

#include "media/Image.h"
#include "media/VideoColour.h"

namespace Corvane::Tessory::Cli {

class YuvConverter {
  public:
    /// Nothing for a pixel format, matrix or range it does not handle.
    static std::optional<YuvConverter> make(AVPixelFormat format, const VideoColour& colour);

    /// The frame as rows of width * 4 bytes in `order`, alpha 255. Each chroma sample is
    /// repeated over the pixels it covers, so that fromRgba's average gives it back.
    void toRgba(const AVFrame& frame, uint8_t* rgba, int width, int height,
                PixelOrder order = PixelOrder::RGBA) const;
    /// Rows of width * 4 bytes in `order` into the frame's planes; chroma is the average
    /// over the pixels each sample covers. The alpha bytes are ignored.
    void fromRgba(const uint8_t* rgba, int width, int height, AVFrame& frame,
                  PixelOrder order = PixelOrder::RGBA) const;

  private:
    YuvConverter() = default;

    int mShiftX = 0, mShiftY = 0;  // chroma subsampling, log2
    // Y = yOffset + yRange Y' and C = 128 + cRange C' for Y' in [0, 1], C' in [-0.5, 0.5].
    float mYOffset = 0, mYRange = 255, mCRange = 255;
    float mKr = 0, mKb = 0;  // the matrix's luma weights of red and blue
};

}  // namespace Corvane::Tessory::Cli
