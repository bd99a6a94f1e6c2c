#include "media/VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <stdexcept>

#include "media/AudioCopy.h"
#include "media/AvHandles.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace {

// A container's codec, and the codec and pixel format that keep alpha ("" where the
// container holds none): one table, shown by --help as it is.
struct ContainerDefault {
    const char* format;  // FFmpeg's muxer name
    const char* extension;
    const char* codec;
    const char* alphaCodec;
    const char* alphaPixFmt;
};
constexpr ContainerDefault kDefaults[] = {
    {"mp4", ".mp4", "libx264", "", ""},
    {"mov", ".mov", "libx264", "prores_ks", "yuva444p10le"},
    {"matroska", ".mkv", "libx264", "ffv1", "bgra"},
    {"webm", ".webm", "libvpx-vp9", "libvpx-vp9", "yuva420p"},
    {"avi", ".avi", "mpeg4", "", ""},
};

const ContainerDefault* defaultsFor(const AVOutputFormat* format) {
    for (const ContainerDefault& d : kDefaults) {
        if (std::string(format->name) == d.format) return &d;
    }
    return nullptr;
}

bool hasAlpha(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA);
}

bool offers(const AVCodec* codec, AVPixelFormat format) {
    if (!codec->pix_fmts) return true;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == format) return true;
    }
    return false;
}

// Without alpha: 4:2:0 plays everywhere but needs even sizes; otherwise the least lossy
// format the codec offers.
AVPixelFormat opaqueFormat(const AVCodec* codec, int width, int height) {
    const bool even = width % 2 == 0 && height % 2 == 0;
    if (!codec->pix_fmts) return AV_PIX_FMT_YUV420P;
    if (even && offers(codec, AV_PIX_FMT_YUV420P)) return AV_PIX_FMT_YUV420P;
    if (offers(codec, AV_PIX_FMT_YUV444P)) return AV_PIX_FMT_YUV444P;
    int loss = 0;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_RGB24, 0, &loss);
}
}  // namespace

bool VideoWriter::isVideoName(const std::string& path) {
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    // Picture sequences guess as "image2"; stills are written elsewhere.
    return format && format->video_codec != AV_CODEC_ID_NONE &&
           std::string(format->name).rfind("image2", 0) != 0;
}

std::string VideoWriter::defaultsText() {
    std::string text;
    for (const ContainerDefault& d : kDefaults) {
        text += std::string("  ") + d.extension + ": " + d.codec + "; with alpha: " +
                (*d.alphaCodec ? std::string(d.alphaCodec) + " " + d.alphaPixFmt
                               : std::string("none (flattened over black)")) +
                "\n";
    }
    return text;
}

void VideoWriter::fail(const std::string& what, int err) const {
    throw InputError("cannot write output '" + mDisplay + "': " + what +
                     (err ? " (" + Av::errorText(err) + ")" : std::string()));
}

VideoWriter::VideoWriter(const std::string& path, const std::string& displayName,
                         const Options& options)
    : mDisplay(displayName), mOptions(options) {
    av_log_set_level(AV_LOG_QUIET);  // failures are reported as our own one-line errors
    AVFormatContext* format = nullptr;
    int err = avformat_alloc_output_context2(&format, nullptr, nullptr, path.c_str());
    mFormat.reset(format);
    if (err < 0 || !mFormat) fail("unknown output format", 0);
    const AVOutputFormat* container = mFormat->oformat;
    const ContainerDefault* defaults = defaultsFor(container);
    const bool alphaDefault = options.alpha && defaults && *defaults->alphaCodec;

    const AVCodec* encoder = nullptr;
    if (!options.codec.empty()) {
        encoder = avcodec_find_encoder_by_name(options.codec.c_str());
        if (!encoder || encoder->type != AVMEDIA_TYPE_VIDEO) {
            fail("unknown video codec '" + options.codec + "' (see ffmpeg -encoders)", 0);
        }
        if (avformat_query_codec(container, encoder->id, FF_COMPLIANCE_NORMAL) != 1) {
            fail(options.codec + " cannot be stored in " + container->long_name, 0);
        }
    } else if (defaults) {
        encoder =
            avcodec_find_encoder_by_name(alphaDefault ? defaults->alphaCodec : defaults->codec);
    }
    if (!encoder) encoder = avcodec_find_encoder(container->video_codec);
    if (!encoder)
        fail(std::string("no encoder for ") + avcodec_get_name(container->video_codec), 0);

    AVPixelFormat pixFmt = AV_PIX_FMT_NONE;
    if (!options.pixFmt.empty()) {
        pixFmt = av_get_pix_fmt(options.pixFmt.c_str());
        if (pixFmt == AV_PIX_FMT_NONE) fail("unknown pixel format '" + options.pixFmt + "'", 0);
        if (!offers(encoder, pixFmt)) {
            fail(std::string(encoder->name) + " does not take pixel format " + options.pixFmt, 0);
        }
    } else if (alphaDefault && options.codec.empty()) {
        pixFmt = av_get_pix_fmt(defaults->alphaPixFmt);
    } else if (options.alpha && encoder->pix_fmts) {
        int loss = 0;
        pixFmt = avcodec_find_best_pix_fmt_of_list(encoder->pix_fmts, AV_PIX_FMT_RGBA, 1, &loss);
    }
    if (pixFmt == AV_PIX_FMT_NONE ||
        (options.alpha && !hasAlpha(pixFmt) && options.pixFmt.empty())) {
        pixFmt = opaqueFormat(encoder, options.width, options.height);
    }
    // Subsampled chroma needs whole chroma samples: the frame's size is kept, never cut.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixFmt);
    if (desc && (((options.width & 1) && desc->log2_chroma_w) ||
                 ((options.height & 1) && desc->log2_chroma_h))) {
        fail(std::string("pixel format ") + desc->name + " needs an even width and height; the " +
                 "frame is " + std::to_string(options.width) + "x" + std::to_string(options.height),
             0);
    }
    mKeepAlpha = options.alpha && hasAlpha(pixFmt);
    if (options.alpha && !mKeepAlpha) {
        mAlphaNote = std::string("the output holds no alpha (") + encoder->name + " " +
                     (desc ? desc->name : "?") + " in " + container->name +
                     "): transparent areas are flattened over black; .mov, .mkv, .webm or a "
                     "PNG sequence keep them";
    }

    mVideo = avformat_new_stream(mFormat.get(), nullptr);
    mCodec.reset(avcodec_alloc_context3(encoder));
    if (!mVideo || !mCodec) fail("out of memory", 0);
    mCodec->width = options.width;
    mCodec->height = options.height;
    mCodec->framerate = AVRational{options.rateNum, options.rateDen};
    mCodec->time_base =
        options.timeBase.num > 0 ? options.timeBase : AVRational{options.rateDen, options.rateNum};
    // MPEG-4 part 2 takes no time base finer than 1/65535 s.
    if (encoder->id == AV_CODEC_ID_MPEG4 && mCodec->time_base.den > 65535) {
        mCodec->time_base = AVRational{options.rateDen, options.rateNum};
    }
    mCodec->pix_fmt = pixFmt;
    // The key-frame interval is left to each encoder's own default, as FFmpeg leaves it:
    // x264 picks up to 250 frames and places key frames at scene cuts. A fixed short
    // interval cost a fifth more file and more encoding time.
    mCodec->thread_count = 0;
    const bool rgb = desc && (desc->flags & AV_PIX_FMT_FLAG_RGB);
    mCodec->colorspace = rgb ? AVCOL_SPC_RGB : options.colour.matrix;
    mCodec->color_range = rgb ? AVCOL_RANGE_JPEG : options.colour.range;
    mCodec->color_primaries = options.colour.primaries;
    mCodec->color_trc = options.colour.transfer;
    if (container->flags & AVFMT_GLOBALHEADER) {
        mCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const std::string name = encoder->name;
    if (name == "libx264" || name == "libx265") {
        av_opt_set(mCodec->priv_data, "preset", "fast", 0);
        av_opt_set(mCodec->priv_data, "crf", "18", 0);
    } else if (name == "libvpx-vp9") {
        mCodec->bit_rate = 0;  // constant quality
        av_opt_set(mCodec->priv_data, "crf", "30", 0);
    } else if (name == "prores_ks") {
        av_opt_set(mCodec->priv_data, "profile", mKeepAlpha ? "4444" : "hq", 0);
    } else if (encoder->id == AV_CODEC_ID_MPEG4 || encoder->id == AV_CODEC_ID_MPEG2VIDEO) {
        mCodec->bit_rate = 8'000'000;
    }
    if (options.crf >= 0) {
        if (!av_opt_find(mCodec->priv_data, "crf", nullptr, 0, 0)) {
            fail(name + " has no CRF setting", 0);
        }
        if ((err = av_opt_set_int(mCodec->priv_data, "crf", options.crf, 0)) < 0) {
            fail("CRF " + std::to_string(options.crf) + " is out of range for " + name, err);
        }
    }
    if ((err = avcodec_open2(mCodec.get(), encoder, nullptr)) < 0) {
        fail("cannot open encoder " + name, err);
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
                const std::string codec = avcodec_get_name(mAudio->stream()->codecpar->codec_id);
                mAudioEncoder = AudioEncoder::make(*mAudio->stream(), *mFormat);
                if (mAudioEncoder) {
                    mAudioNote = "audio re-encoded as " + mAudioEncoder->codecName() + ": " +
                                 codec + " does not fit this container";
                } else {
                    mAudioNote = "audio not copied: " + codec +
                                 " does not fit this container and cannot be re-encoded";
                    mAudio.reset();
                }
            }
        } else {
            mAudio.reset();
        }
    }

    if (!(container->flags & AVFMT_NOFILE)) {
        if ((err = avio_open(&mFormat->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
            fail("cannot open file", err);
        }
    }
    if ((err = avformat_write_header(mFormat.get(), nullptr)) < 0) {
        fail("cannot write header", err);
    }

    mFrame.reset(av_frame_alloc());
    mPacket.reset(av_packet_alloc());
    if (!mFrame || !mPacket) fail("out of memory", 0);
    mFrame->format = mCodec->pix_fmt;
    mFrame->width = options.width;
    mFrame->height = options.height;
    if ((err = av_frame_get_buffer(mFrame.get(), 0)) < 0) fail("out of memory", err);
    // Chroma averaged over the pixels it covers: the reader repeated each sample over them.
    if (!rgb) mYuv = YuvConverter::make(mCodec->pix_fmt, options.colour);
    if (mYuv) return;
    mSws.reset(sws_getContext(options.width, options.height, AV_PIX_FMT_RGBA, options.width,
                              options.height, mCodec->pix_fmt, SWS_AREA | SWS_ACCURATE_RND, nullptr,
                              nullptr, nullptr));
    if (!mSws) fail("unsupported pixel conversion", 0);
    // RGB to the output's matrix and range, the ones it is tagged with.
    if (!rgb) {
        sws_setColorspaceDetails(mSws.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 sws_getCoefficients(options.colour.matrix),
                                 options.colour.range == AVCOL_RANGE_JPEG ? 1 : 0, 0, 1 << 16,
                                 1 << 16);
    }
}

// An unfinished file is abandoned (the handles close it); the caller removes it.
VideoWriter::~VideoWriter() = default;

std::string VideoWriter::description() const {
    return std::string(mCodec->codec->name) + " " + av_get_pix_fmt_name(mCodec->pix_fmt);
}

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
        if (mAudioEncoder) {
            const int err = mAudioEncoder->send(packet);
            mAudio->take();
            if (err < 0) fail("audio encoding failed", err);
            continue;
        }
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
    // Without alpha in the output, what the effect made transparent shows as black. Only
    // frames that were to have alpha can have any (opaque input without a transparent
    // background stays opaque), so others are not even scanned.
    const Image* source = &image;
    if (!mKeepAlpha && mOptions.alpha && image.hasAlpha()) {
        image.flattenInto(mFlat);
        source = &mFlat;
    }
    if (mYuv) {
        mYuv->fromRgba(source->data(), source->width(), source->height(), *mFrame, source->order());
    } else {
        if (source->order() != PixelOrder::RGBA) throw std::logic_error("a frame in host order");
        const uint8_t* src[4] = {source->data(), nullptr, nullptr, nullptr};
        const int srcStride[4] = {source->width() * 4, 0, 0, 0};
        sws_scale(mSws.get(), src, srcStride, 0, source->height(), mFrame->data, mFrame->linesize);
    }
    int64_t pts = std::llround(seconds / av_q2d(mCodec->time_base));
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
    if (mAudioEncoder) {
        const int err = mAudioEncoder->finish();
        if (err < 0) fail("audio encoding failed", err);
    }
    const int err = av_write_trailer(mFormat.get());
    if (err < 0) fail("cannot finish file", err);
    if (!(mFormat->oformat->flags & AVFMT_NOFILE)) avio_closep(&mFormat->pb);
    mFinished = true;
}

}  // namespace Corvane::Tessory::Cli
