#include "AudioCopy.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace Corvane::Tessory::Cli {

AudioCopy::AudioCopy(const std::string& sourcePath) {
    if (avformat_open_input(&mFormat, sourcePath.c_str(), nullptr, nullptr) < 0) return;
    if (avformat_find_stream_info(mFormat, nullptr) < 0) return;
    mStream = av_find_best_stream(mFormat, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (mStream < 0) {
        mStream = -1;
        return;
    }
    mPacket = av_packet_alloc();
}

AudioCopy::~AudioCopy() {
    av_packet_free(&mPacket);
    avformat_close_input(&mFormat);
}

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
        if (av_read_frame(mFormat, mPacket) < 0) {
            mEnd = true;
        } else if (mPacket->stream_index == mStream && mPacket->pts != AV_NOPTS_VALUE) {
            mHave = true;
        } else {
            av_packet_unref(mPacket);
        }
    }
    return mHave ? mPacket : nullptr;
}

void AudioCopy::take() {
    if (mHave) {
        av_packet_unref(mPacket);
        mHave = false;
    }
}

}  // namespace Corvane::Tessory::Cli
