#pragma once
// Decodes every frame of a file's best video stream into RGBA pictures with their times.
#include <cstdint>
#include <optional>
#include <string>

#include "Host/PixelLimit.h"
#include "media/AvHandles.h"
#include "media/FrameSource.h"
#include "media/YuvConverter.h"

namespace Corvane::Tessory::Cli {

class VideoReader final : public FrameSource {
  public:
    // Throws InputError when the file cannot be opened or has no decodable video.
    // Frames over the limit are refused from the stream's header, before decoding.
    VideoReader(const std::string& path, const Host::PixelLimit& limit);
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    int width() const override;
    int height() const override;
    // Nominal frame rate as a fraction, and as a number.
    int rateNum() const override { return mRateNum; }
    int rateDen() const override { return mRateDen; }
    // Frames the container announces (or estimates from its duration); 0 when unknown.
    int64_t expectedFrames() const override { return mExpected; }
    // Container time of the stream's first frame.
    double startSeconds() const override { return mStart; }
    // The stream's unit of time: frame times are whole multiples of it.
    AVRational timeBase() const override;
    // The input's colour tags (untagged parts filled in as players assume them).
    const VideoColour& colour() const override { return mColour; }
    // Whether the pixels carry alpha.
    bool hasAlpha() const override { return mAlpha; }
    // Bits per channel of the decoded pixels (8 for most video).
    int bitDepth() const override { return mBitDepth; }
    std::string audioSource() const override { return mPath; }

    // Next frame in presentation order; false at the end. Throws InputError on corrupt data.
    bool read(VideoFrame& frame) override;
    bool deliverHostOrder() override {
        mOrder = PixelOrder::ARGB;
        return true;
    }
    // The video packets to the end of the file, without decoding: the frame count where the
    // container states none exactly. The reader is spent afterwards.
    int64_t countFrames();

  private:
    bool receive(VideoFrame& frame);
    void fail(const std::string& what, int err) const;

    std::string mPath;
    Av::InputFormat mFormat;
    Av::Codec mCodec;
    Av::Frame mFrame;
    Av::Packet mPacket;
    Av::Scaler mSws;
    std::optional<YuvConverter> mYuv;   // used instead of mSws where it handles the format
    int mSwsWidth = 0, mSwsHeight = 0;  // what mSws or mYuv converts from
    AVPixelFormat mSwsFormat = AV_PIX_FMT_NONE;
    int mStream = -1;
    int mRateNum = 30, mRateDen = 1;
    int64_t mExpected = 0;
    int64_t mNextIndex = 0;
    double mStart = 0;
    VideoColour mColour;
    bool mAlpha = false;
    int mBitDepth = 8;
    bool mFlushed = false;
    PixelOrder mOrder = PixelOrder::RGBA;
};

}  // namespace Corvane::Tessory::Cli
