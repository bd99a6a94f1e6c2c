#include "VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>

#include "AudioCopy.h"
#include "InputError.h"

namespace Corvane::Tessory::Cli {

namespace {
std::string avError(int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return text;
}

AVPixelFormat choosePixelFormat(const AVCodec* codec, int width, int height) {
    const AVPixelFormat* formats = codec->pix_fmts;
    if (!formats) return AV_PIX_FMT_YUV420P;
    // 4:2:0 plays everywhere but needs even sizes; otherwise take the least lossy offer.
    const bool even = width % 2 == 0 && height % 2 == 0;
    for (const AVPixelFormat* f = formats; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUV420P && even) return *f;
    }
    for (const AVPixelFormat* f = formats; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUV444P) return *f;
    }
    int loss = 0;
    return avcodec_find_best_pix_fmt_of_list(formats, AV_PIX_FMT_RGB24, 0, &loss);
}
}  // namespace

bool VideoWriter::isVideoName(const std::string& path) {
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    // Picture sequences guess as "image2"; stills are written elsewhere.
    return format && format->video_codec != AV_CODEC_ID_NONE &&
           std::string(format->name).rfind("image2", 0) != 0;
}

void VideoWriter::fail(const std::string& what, int err) const {
    throw InputError("cannot write output '" + mDisplay + "': " + what +
                     (err ? " (" + avError(err) + ")" : std::string()));
}

VideoWriter::VideoWriter(const std::string& path, const std::string& displayName,
                         const Options& options)
    : mDisplay(displayName), mOptions(options) {
    AVFormatContext* format = nullptr;
    int err = avformat_alloc_output_context2(&format, nullptr, nullptr, path.c_str());
    mFormat.reset(format);
    if (err < 0 || !mFormat) fail("unknown output format", 0);
    const AVCodecID id = mFormat->oformat->video_codec;
    if (id == AV_CODEC_ID_NONE) fail("the format holds no video", 0);
    const AVCodec* encoder =
        id == AV_CODEC_ID_H264 ? avcodec_find_encoder_by_name("libx264") : nullptr;
    if (!encoder) encoder = avcodec_find_encoder(id);
    if (!encoder) fail(std::string("no encoder for ") + avcodec_get_name(id), 0);

    mVideo = avformat_new_stream(mFormat.get(), nullptr);
    mCodec.reset(avcodec_alloc_context3(encoder));
    if (!mVideo || !mCodec) fail("out of memory", 0);
    mCodec->width = options.width;
    mCodec->height = options.height;
    mCodec->framerate = AVRational{options.rateNum, options.rateDen};
    mCodec->time_base = AVRational{options.rateDen, options.rateNum};
    mCodec->pix_fmt = choosePixelFormat(encoder, options.width, options.height);
    mCodec->gop_size = 12;
    mCodec->thread_count = 0;
    mCodec->color_range = AVCOL_RANGE_MPEG;
    mCodec->colorspace = AVCOL_SPC_SMPTE170M;
    if (mFormat->oformat->flags & AVFMT_GLOBALHEADER) {
        mCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (std::string(encoder->name) == "libx264") {
        av_opt_set(mCodec->priv_data, "preset", "fast", 0);
        av_opt_set(mCodec->priv_data, "crf", "18", 0);
    } else if (id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_MPEG2VIDEO) {
        mCodec->bit_rate = 8'000'000;
    }
    if ((err = avcodec_open2(mCodec.get(), encoder, nullptr)) < 0) {
        fail("cannot open encoder", err);
    }
    avcodec_parameters_from_context(mVideo->codecpar, mCodec.get());
    mVideo->time_base = mCodec->time_base;
    mVideo->avg_frame_rate = mCodec->framerate;
    mVideo->r_frame_rate = mCodec->framerate;

    if (!options.audioSource.empty()) {
        mAudio = std::make_unique<AudioCopy>(options.audioSource);
        if (mAudio->present()) {
            if (mAudio->fitsContainer(mFormat.get())) {
                mAudioOut = avformat_new_stream(mFormat.get(), nullptr);
                avcodec_parameters_copy(mAudioOut->codecpar, mAudio->stream()->codecpar);
                mAudioOut->codecpar->codec_tag = 0;
                mAudioOut->time_base = mAudio->stream()->time_base;
            } else {
                mAudioNote = std::string("audio not copied: ") +
                             avcodec_get_name(mAudio->stream()->codecpar->codec_id) +
                             " does not fit this container";
                mAudio.reset();
            }
        } else {
            mAudio.reset();
        }
    }

    if (!(mFormat->oformat->flags & AVFMT_NOFILE)) {
        if ((err = avio_open(&mFormat->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
            fail("cannot open file", err);
        }
    }
    if ((err = avformat_write_header(mFormat.get(), nullptr)) < 0) {
        fail("cannot write header", err);
    }
    mHeaderWritten = true;

    mFrame.reset(av_frame_alloc());
    mPacket.reset(av_packet_alloc());
    if (!mFrame || !mPacket) fail("out of memory", 0);
    mFrame->format = mCodec->pix_fmt;
    mFrame->width = options.width;
    mFrame->height = options.height;
    if ((err = av_frame_get_buffer(mFrame.get(), 0)) < 0) fail("out of memory", err);
    mSws.reset(sws_getContext(options.width, options.height, AV_PIX_FMT_RGBA, options.width,
                              options.height, mCodec->pix_fmt, SWS_BICUBIC | SWS_ACCURATE_RND,
                              nullptr, nullptr, nullptr));
    if (!mSws) fail("unsupported pixel conversion", 0);
}

// An unfinished file is abandoned (the handles close it); the caller removes it.
VideoWriter::~VideoWriter() = default;

void VideoWriter::encode(AVFrame* frame) {
    int err = avcodec_send_frame(mCodec.get(), frame);
    if (err < 0) fail("encoding failed", err);
    for (;;) {
        err = avcodec_receive_packet(mCodec.get(), mPacket.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
        if (err < 0) fail("encoding failed", err);
        av_packet_rescale_ts(mPacket.get(), mCodec->time_base, mVideo->time_base);
        mPacket->stream_index = mVideo->index;
        if ((err = av_interleaved_write_frame(mFormat.get(), mPacket.get())) < 0)
            fail("write failed", err);
    }
}

void VideoWriter::copyAudioUntil(double seconds) {
    if (!mAudio) return;
    const AVRational tb = mAudio->stream()->time_base;
    const int64_t offset = std::llround(mOptions.audioFrom / av_q2d(tb));
    while (AVPacket* packet = mAudio->peek()) {
        const double source = packet->pts * av_q2d(tb);
        if (mOptions.audioUntil >= 0 && source >= mOptions.audioUntil) return;
        if (source - mOptions.audioFrom > seconds) return;
        if (source + 1e-6 < mOptions.audioFrom) {  // before the rendered span
            mAudio->take();
            continue;
        }
        packet->pts -= offset;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts -= offset;
        packet->stream_index = mAudioOut->index;
        packet->pos = -1;
        av_packet_rescale_ts(packet, tb, mAudioOut->time_base);
        const int err = av_interleaved_write_frame(mFormat.get(), packet);
        mAudio->take();
        if (err < 0) fail("write failed", err);
    }
}

void VideoWriter::write(const Image& image, double seconds) {
    if (image.width() != mOptions.width || image.height() != mOptions.height) {
        fail("frame size changed within the video", 0);
    }
    int err = av_frame_make_writable(mFrame.get());
    if (err < 0) fail("out of memory", err);
    // Video carries no alpha: what the effect made transparent shows as black.
    image.flattenInto(mFlat);
    const uint8_t* src[4] = {mFlat.data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {mFlat.width() * 4, 0, 0, 0};
    sws_scale(mSws.get(), src, srcStride, 0, mFlat.height(), mFrame->data, mFrame->linesize);
    const double fps = double(mOptions.rateNum) / mOptions.rateDen;
    int64_t pts = std::llround(seconds * fps);
    if (pts <= mLastPts) pts = mLastPts + 1;
    mLastPts = pts;
    mFrame->pts = pts;
    copyAudioUntil(seconds);
    encode(mFrame.get());
}

void VideoWriter::finish() {
    if (mFinished) return;
    encode(nullptr);
    copyAudioUntil(1e300);
    const int err = av_write_trailer(mFormat.get());
    if (err < 0) fail("cannot finish file", err);
    if (!(mFormat->oformat->flags & AVFMT_NOFILE)) avio_closep(&mFormat->pb);
    mFinished = true;
}

}  // namespace Corvane::Tessory::Cli
