#pragma once
// Encodes RGBA pictures into a video file, its codec the container's usual one (H.264 for
// .mp4, .mov and .mkv), at a fixed frame rate, with the source's audio copied alongside
// when the container takes it.
#include <cstdint>
#include <memory>
#include <string>

#include "AvHandles.h"
#include "Image.h"

namespace Corvane::Tessory::Cli {

class AudioCopy;

class VideoWriter {
  public:
    struct Options {
        int width = 0, height = 0;
        int rateNum = 30, rateDen = 1;
        std::string audioSource;  // a file whose audio is copied; empty for none
        double audioFrom = 0;     // container time of the source that maps to output time 0
        double audioUntil = -1;   // end of the copied span in source time; <0 for all
    };

    // Whether the file name's extension is a video container this writer can fill.
    static bool isVideoName(const std::string& path);

    // path is written; displayName names the destination in errors. Throws InputError.
    VideoWriter(const std::string& path, const std::string& displayName, const Options& options);
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Why audio was left out (empty when copied or when the source had none).
    const std::string& audioNote() const { return mAudioNote; }

    // Appends one frame at output time seconds (from 0); times that do not advance by at
    // least one frame are moved on to the next frame slot.
    void write(const Image& image, double seconds);
    // Drains the encoder, copies the remaining audio and closes the file.
    void finish();

  private:
    void encode(AVFrame* frame);
    void copyAudioUntil(double seconds);
    void fail(const std::string& what, int err) const;

    std::string mDisplay;
    Options mOptions;
    Av::OutputFormat mFormat;
    Av::Codec mCodec;
    AVStream* mVideo = nullptr;     // owned by mFormat
    AVStream* mAudioOut = nullptr;  // owned by mFormat
    Av::Frame mFrame;
    Av::Packet mPacket;
    Av::Scaler mSws;
    std::unique_ptr<AudioCopy> mAudio;
    Image mFlat;  // the frame over black, kept from frame to frame
    std::string mAudioNote;
    int64_t mLastPts = -1;
    bool mHeaderWritten = false;
    bool mFinished = false;
};

}  // namespace Corvane::Tessory::Cli
