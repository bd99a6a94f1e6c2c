#pragma once
// A numbered sequence of pictures as a video: from the first number present to the last,
// at a rate the user gives. A gap is bad input naming the missing file.
#include <string>

#include "Host/PixelLimit.h"
#include "media/FrameSource.h"
#include "media/SequencePattern.h"

namespace Corvane::Tessory::Cli {

class SequenceReader final : public FrameSource {
  public:
    // Throws InputError when no file matches, a number is missing, or the first picture
    // cannot be read; every picture is held to the limit.
    SequenceReader(const SequencePattern& pattern, double fps, const Host::PixelLimit& limit);

    int width() const override { return mFirst.width(); }
    int height() const override { return mFirst.height(); }
    int rateNum() const override { return mRateNum; }
    int rateDen() const override { return mRateDen; }
    int64_t expectedFrames() const override { return mCount; }
    double startSeconds() const override { return 0; }
    AVRational timeBase() const override { return AVRational{mRateDen, mRateNum}; }
    const VideoColour& colour() const override { return mColour; }
    bool hasAlpha() const override { return mFirst.hasAlpha(); }
    int bitDepth() const override { return 8; }
    std::string audioSource() const override { return {}; }
    bool read(VideoFrame& frame) override;

    // The number of the first file.
    int64_t firstNumber() const { return mFirstNumber; }

  private:
    SequencePattern mPattern;
    Host::PixelLimit mLimit;
    Image mFirst;
    int64_t mFirstNumber = 0;
    int64_t mCount = 0;
    int64_t mNext = 0;
    int mRateNum = 30, mRateDen = 1;
    VideoColour mColour = VideoColour::standard();
};

}  // namespace Corvane::Tessory::Cli
