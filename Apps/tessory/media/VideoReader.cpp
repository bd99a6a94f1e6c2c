#include "media/VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>

#include "media/AvHandles.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

void VideoReader::fail(const std::string& what, int err) const {
    throw InputError("cannot read input '" + mPath + "': " + what +
                     (err ? " (" + Av::errorText(err) + ")" : std::string()));
}

VideoReader::VideoReader(const std::string& path, const Host::PixelLimit& limit) : mPath(path) {
    av_log_set_level(AV_LOG_QUIET);
    int err = 0;
    mFormat = Av::openInput(path.c_str(), &err);
    if (!mFormat) fail("not a readable picture or video", err);
    if ((err = avformat_find_stream_info(mFormat.get(), nullptr)) < 0) {
        fail("corrupt or unsupported file", err);
    }
    const AVCodec* decoder = nullptr;
    mStream = av_find_best_stream(mFormat.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (mStream < 0 || !decoder) fail("no decodable video stream", mStream < 0 ? mStream : 0);
    AVStream* stream = mFormat->streams[mStream];

    mCodec.reset(avcodec_alloc_context3(decoder));
    if (!mCodec) fail("out of memory", 0);
    avcodec_parameters_to_context(mCodec.get(), stream->codecpar);
    // The stream's stated size before the decoder exists; the decoder itself refuses a
    // frame that grows past the limit later.
    if (mCodec->width > 0 && mCodec->height > 0 && !limit.allows(mCodec->width, mCodec->height)) {
        throw InputError("input '" + mPath + "' has frames of " +
                         limit.describe(mCodec->width, mCodec->height) + " (--max-pixels)");
    }
    mCodec->max_pixels = limit.maxPixels();
    mCodec->thread_count = 0;
    if ((err = avcodec_open2(mCodec.get(), decoder, nullptr)) < 0) {
        fail("cannot open decoder", err);
    }
    if (mCodec->width <= 0 || mCodec->height <= 0) fail("video has no frame size", 0);

    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = AVRational{30, 1};
    mRateNum = rate.num;
    mRateDen = rate.den;
    mStart =
        stream->start_time != AV_NOPTS_VALUE ? stream->start_time * av_q2d(stream->time_base) : 0.0;
    if (stream->nb_frames > 0) {
        mExpected = stream->nb_frames;
    } else if (stream->duration > 0) {
        mExpected = std::llround(stream->duration * av_q2d(stream->time_base) * fps());
    } else if (mFormat->duration > 0) {
        mExpected = std::llround(mFormat->duration / double(AV_TIME_BASE) * fps());
    }
    mColour = VideoColour{mCodec->colorspace, mCodec->color_range, mCodec->color_primaries,
                          mCodec->color_trc}
                  .resolved(mCodec->height);
    if (const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(mCodec->pix_fmt)) {
        mAlpha = (desc->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
        mBitDepth = desc->comp[0].depth;
    }
    mFrame.reset(av_frame_alloc());
    mPacket.reset(av_packet_alloc());
    if (!mFrame || !mPacket) fail("out of memory", 0);
}

AVRational VideoReader::timeBase() const {
    return mFormat->streams[mStream]->time_base;
}

VideoReader::~VideoReader() = default;

int VideoReader::width() const {
    return mCodec->width;
}
int VideoReader::height() const {
    return mCodec->height;
}

bool VideoReader::receive(VideoFrame& out) {
    const int err = avcodec_receive_frame(mCodec.get(), mFrame.get());
    if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return false;
    if (err < 0) fail("corrupt video data", err);

    const int w = mFrame->width, h = mFrame->height;
    const auto format = static_cast<AVPixelFormat>(mFrame->format);
    // A scaler made when the frames' size or format changes, with the input's own matrix and
    // range (not the scaler's guess). Chroma samples are repeated, not interpolated, so the
    // writer's averaging gives them back: colours come back as they went in.
    if ((!mSws && !mYuv) || w != mSwsWidth || h != mSwsHeight || format != mSwsFormat) {
        mYuv = YuvConverter::make(format, mColour);
        const AVPixelFormat to = mOrder == PixelOrder::RGBA ? AV_PIX_FMT_RGBA : AV_PIX_FMT_ARGB;
        mSws.reset(mYuv ? nullptr
                        : sws_getContext(w, h, format, w, h, to, SWS_POINT | SWS_ACCURATE_RND,
                                         nullptr, nullptr, nullptr));
        if (!mSws && !mYuv) fail("unsupported pixel format", 0);
        mSwsWidth = w;
        mSwsHeight = h;
        mSwsFormat = format;
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        if (mSws && desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
            sws_setColorspaceDetails(mSws.get(), sws_getCoefficients(mColour.matrix),
                                     mColour.range == AVCOL_RANGE_JPEG ? 1 : 0,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        }
    }
    out.image.setSize(w, h, mOrder);
    if (mYuv) {
        mYuv->toRgba(*mFrame, out.image.data(), w, h, mOrder);
    } else {
        uint8_t* dst[4] = {out.image.data(), nullptr, nullptr, nullptr};
        int dstStride[4] = {w * 4, 0, 0, 0};
        sws_scale(mSws.get(), mFrame->data, mFrame->linesize, 0, h, dst, dstStride);
    }

    const AVStream* stream = mFormat->streams[mStream];
    const int64_t ts = mFrame->best_effort_timestamp;
    out.seconds =
        ts != AV_NOPTS_VALUE ? ts * av_q2d(stream->time_base) : mStart + mNextIndex / fps();
    out.index = mNextIndex++;
    av_frame_unref(mFrame.get());
    return true;
}

bool VideoReader::read(VideoFrame& frame) {
    for (;;) {
        if (receive(frame)) return true;
        if (mFlushed) return false;
        const int err = av_read_frame(mFormat.get(), mPacket.get());
        if (err == AVERROR_EOF) {
            avcodec_send_packet(mCodec.get(), nullptr);
            mFlushed = true;
            continue;
        }
        if (err < 0) fail("corrupt container data", err);
        if (mPacket->stream_index == mStream) {
            const int sent = avcodec_send_packet(mCodec.get(), mPacket.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                av_packet_unref(mPacket.get());
                fail("corrupt video data", sent);
            }
        }
        av_packet_unref(mPacket.get());
    }
}

int64_t VideoReader::countFrames() {
    int64_t count = 0;
    for (;;) {
        const int err = av_read_frame(mFormat.get(), mPacket.get());
        if (err == AVERROR_EOF) break;
        if (err < 0) fail("corrupt container data", err);
        if (mPacket->stream_index == mStream) ++count;
        av_packet_unref(mPacket.get());
    }
    mFlushed = true;
    return count;
}

}  // namespace Corvane::Tessory::Cli
