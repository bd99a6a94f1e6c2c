#pragma once
// The input's audio, passed through packet by packet without re-encoding. It reads the
// source file with a demuxer of its own, so the video decoder never has to hand audio over.
#include <string>

#include "media/AvHandles.h"

namespace Corvane::Tessory::Cli {

class AudioCopy {
  public:
    // A source without audio (or that cannot be opened) gives an empty copy: present() false.
    explicit AudioCopy(const std::string& sourcePath);
    ~AudioCopy();
    AudioCopy(const AudioCopy&) = delete;
    AudioCopy& operator=(const AudioCopy&) = delete;

    bool present() const { return mStream >= 0; }
    AVStream* stream() const;
    // Whether the output container takes this audio codec as it is.
    bool fitsContainer(const AVFormatContext* output) const;

    // Next audio packet in the source's time base, kept in a one-packet look-ahead so the
    // writer can ask for its time before taking it. Null at the end.
    AVPacket* peek();
    void take();  // drops the packet peek() returned

  private:
    Av::InputFormat mFormat;
    Av::Packet mPacket;
    int mStream = -1;
    bool mHave = false;
    bool mEnd = false;
};

}  // namespace Corvane::Tessory::Cli
