#pragma once
// The input's audio decoded and encoded again, for an output container that cannot hold
// the input's audio codec: the container's own audio codec (AAC for MP4 and QuickTime,
// Opus or Vorbis for WebM), resampled to what that encoder takes. Packets go straight to
// the output's muxer.
#include <memory>
#include <string>

#include "media/AvHandles.h"

struct SwrContext;
struct AVAudioFifo;

namespace Corvane::Tessory::Cli {

class AudioEncoder {
  public:
    /// An encoder for source's audio with a new stream in output, or null when the output
    /// container has no audio codec that this FFmpeg can encode or the source cannot be
    /// decoded. Call before the output's header is written.
    static std::unique_ptr<AudioEncoder> make(const AVStream& source, AVFormatContext& output);
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    std::string codecName() const;
    /// One packet of the source stream, its times in the source's time base and counted
    /// from the output's start. 0, or a negative FFmpeg error.
    int send(const AVPacket* packet);
    /// Encodes what is left. 0, or a negative FFmpeg error.
    int finish();

  private:
    AudioEncoder() = default;
    int convert(const AVFrame* decoded);  // null flushes the resampler
    int drain(bool last);                 // whole encoder frames from the queue
    int encode(AVFrame* frame);           // null flushes the encoder

    AVFormatContext* mOutput = nullptr;
    AVStream* mStream = nullptr;
    AVRational mSourceBase{1, 1};
    Av::Codec mDecoder, mEncoder;
    Av::Frame mDecoded, mConverted, mChunk;
    Av::Packet mPacket;
    SwrContext* mResampler = nullptr;
    AVAudioFifo* mQueue = nullptr;
    int64_t mNextPts = AV_NOPTS_VALUE;  // in samples of the encoder's rate
};

}  // namespace Corvane::Tessory::Cli
