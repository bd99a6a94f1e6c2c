#pragma once
// Encodes RGBA pictures into a video file. Each container has its usual codec, and one that
// keeps alpha where the container holds such a codec (ProRes 4444 in .mov, FFV1 in .mkv, VP9
// in .webm); the user can name the codec, its CRF and pixel format instead. The source's
// colour tags are written and drive the conversion from RGB, and its audio is copied
// alongside, or encoded again where the container cannot take its codec.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "media/AudioEncoder.h"
#include "media/AvHandles.h"
#include "media/FrameSink.h"
#include "media/Image.h"
#include "media/VideoColour.h"
#include "media/YuvConverter.h"

namespace Corvane::Tessory::Cli {

class AudioCopy;

class VideoWriter final : public FrameSink {
  public:
    struct Options {
        int width = 0, height = 0;
        int rateNum = 30, rateDen = 1;
        /// Unit of the times passed to write(); {0, 1} for one frame at the rate.
        AVRational timeBase{0, 1};
        /// The frames have alpha worth keeping.
        bool alpha = false;
        std::string codec;   // an FFmpeg encoder's name; empty: the container's default
        int crf = -1;        // quality for codecs with a CRF setting; < 0: the default
        std::string pixFmt;  // the encoder's pixel format; empty: chosen
        VideoColour colour = VideoColour::standard();
        std::string audioSource;  // a file whose audio is copied; empty for none
        double audioFrom = 0;     // container time of the source that maps to output time 0
        double audioUntil = -1;   // end of the copied span in source time; <0 for all
    };

    // Whether the file name's extension is a video container this writer can fill.
    static bool isVideoName(const std::string& path);
    // The codec each container gets, without and with alpha, for --help.
    static std::string defaultsText();

    // path is written; displayName names the destination in errors. Throws InputError for
    // an unknown or unusable codec, pixel format or CRF, before anything is written.
    VideoWriter(const std::string& path, const std::string& displayName, const Options& options);
    ~VideoWriter() override;
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Why audio was re-encoded or left out (empty when copied or when the source had none).
    const std::string& audioNote() const { return mAudioNote; }
    // Why alpha that was asked for is not kept (empty when kept or not asked for).
    const std::string& alphaNote() const { return mAlphaNote; }
    // "libx264 yuv420p", for --verbose.
    std::string description() const;

    // Appends one frame at output time seconds (from 0); times that do not advance by at
    // least one unit of the time base are moved on.
    void write(const Image& image, double seconds) override;
    // Either order where the writer's own converter handles the format.
    bool takesHostOrder() const override { return mYuv.has_value(); }
    // Drains the encoder, copies the remaining audio and closes the file.
    void finish() override;

  private:
    void encode(AVFrame* frame);
    void copyAudioUntil(double seconds);
    [[noreturn]] void fail(const std::string& what, int err) const;

    std::string mDisplay;
    Options mOptions;
    Av::OutputFormat mFormat;
    Av::Codec mCodec;
    AVStream* mVideo = nullptr;     // owned by mFormat
    AVStream* mAudioOut = nullptr;  // owned by mFormat
    Av::Frame mFrame;
    Av::Packet mPacket;
    Av::Scaler mSws;
    std::optional<YuvConverter> mYuv;  // used instead of mSws where it handles the format
    std::unique_ptr<AudioCopy> mAudio;
    std::unique_ptr<AudioEncoder> mAudioEncoder;  // where the container cannot take mAudio's codec
    Image mFlat;                                  // the frame over black, kept from frame to frame
    bool mKeepAlpha = false;
    std::string mAudioNote;
    std::string mAlphaNote;
    int64_t mLastPts = -1;
    bool mFinished = false;
};

}  // namespace Corvane::Tessory::Cli
