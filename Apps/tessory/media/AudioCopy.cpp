#include "media/AudioCopy.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace Corvane::Tessory::Cli {

AudioCopy::AudioCopy(const std::string& sourcePath) {
    int err = 0;
    mFormat = Av::openInput(sourcePath.c_str(), &err);
    if (!mFormat || avformat_find_stream_info(mFormat.get(), nullptr) < 0) return;
    const int stream = av_find_best_stream(mFormat.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    mPacket.reset(av_packet_alloc());
    if (stream >= 0 && mPacket) mStream = stream;
}

AudioCopy::~AudioCopy() = default;

AVStream* AudioCopy::stream() const {
    return present() ? mFormat->streams[mStream] : nullptr;
}

bool AudioCopy::fitsContainer(const AVFormatContext* output) const {
    if (!present()) return false;
    return avformat_query_codec(output->oformat, stream()->codecpar->codec_id,
                                FF_COMPLIANCE_NORMAL) == 1;
}

AVPacket* AudioCopy::peek() {
    if (!present()) return nullptr;
    while (!mHave && !mEnd) {
        if (av_read_frame(mFormat.get(), mPacket.get()) < 0) {
            mEnd = true;
        } else if (mPacket->stream_index == mStream && mPacket->pts != AV_NOPTS_VALUE) {
            mHave = true;
        } else {
            av_packet_unref(mPacket.get());
        }
    }
    return mHave ? mPacket.get() : nullptr;
}

void AudioCopy::take() {
    if (mHave) {
        av_packet_unref(mPacket.get());
        mHave = false;
    }
}

}  // namespace Corvane::Tessory::Cli
