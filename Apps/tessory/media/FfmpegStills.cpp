#include "media/FfmpegStills.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include "media/AvHandles.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace {

// The decoder's frame request is where a file's stated size is first known for every
// format: a size over the limit stops the decode there, before the frame exists.
struct Request {
    const Host::PixelLimit& limit;
    std::string refusal;
};

int checkedBuffer(AVCodecContext* codec, AVFrame* frame, int flags) {
    auto& request = *static_cast<Request*>(codec->opaque);
    if (!request.limit.allows(frame->width, frame->height)) {
        request.refusal = request.limit.describe(frame->width, frame->height);
        return AVERROR(ERANGE);
    }
    return avcodec_default_get_buffer2(codec, frame, flags);
}

bool isYuv(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
}

// One conversion between a frame's format and 8-bit RGBA, the same size, with no
// dithering: deeper pictures are rounded once, so a colour comes back as it went in. YCbCr
// is full range BT.601, as JPEG stores it, unless the frame says limited.
Av::Scaler converter(int width, int height, AVPixelFormat from, AVPixelFormat to, bool fullRange) {
    Av::Scaler s(sws_alloc_context());
    if (!s) return s;
    AVClass** options = reinterpret_cast<AVClass**>(s.get());
    av_opt_set_int(options, "srcw", width, 0);
    av_opt_set_int(options, "srch", height, 0);
    av_opt_set_int(options, "src_format", from, 0);
    av_opt_set_int(options, "dstw", width, 0);
    av_opt_set_int(options, "dsth", height, 0);
    av_opt_set_int(options, "dst_format", to, 0);
    av_opt_set_int(options, "sws_flags",
                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP, 0);
    av_opt_set(options, "sws_dither", "none", 0);
    if (sws_init_context(s.get(), nullptr, nullptr) < 0) return nullptr;
    if (isYuv(from) || isYuv(to)) {
        const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(s.get(), bt601, isYuv(from) ? fullRange : 1, bt601,
                                 isYuv(to) ? fullRange : 1, 0, 1 << 16, 1 << 16);
    }
    return s;
}

// The first video packet of the file, whole: the image demuxers hand over a file a packet.
Av::Packet firstPicture(AVFormatContext* in, int stream) {
    Av::Packet packet(av_packet_alloc());
    while (av_read_frame(in, packet.get()) >= 0) {
        if (packet->stream_index == stream) return packet;
        av_packet_unref(packet.get());
    }
    return nullptr;
}

}  // namespace

bool FfmpegStills::decodes(int64_t width, int64_t height) {
    av_log_set_level(AV_LOG_QUIET);  // the check reports a refusal of its own
    return width <= INT_MAX && height <= INT_MAX &&
           av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                               nullptr) == 0;
}

Image FfmpegStills::read(const std::string& path, const Host::PixelLimit& limit) {
    av_log_set_level(AV_LOG_QUIET);  // failures are reported as our own one-line errors
    auto fail = [&](const std::string& why) {
        return InputError("cannot read input '" + path + "': " + why);
    };
    auto unknown = [&](const std::string& why) {
        return Undecodable("cannot read input '" + path + "': " + why);
    };
    // A '%' in a name is a character, not a sequence pattern, when the content does not
    // name the format and the image demuxer goes by the extension.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "pattern_type", "none", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened == AVERROR_INVALIDDATA) throw unknown(Av::errorText(opened));
    if (opened < 0) throw fail(Av::errorText(opened));
    Av::InputFormat in(raw);
    const int stream = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* decoder =
        stream < 0 ? nullptr : avcodec_find_decoder(in->streams[stream]->codecpar->codec_id);
    if (!decoder) throw unknown("not a picture FFmpeg decodes");

    Request request{limit, {}};
    Av::Codec codec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), in->streams[stream]->codecpar);
    codec->opaque = &request;
    codec->get_buffer2 = checkedBuffer;
    codec->thread_count = 1;  // one picture: threads would only add their start-up
    int err = avcodec_open2(codec.get(), decoder, nullptr);
    if (err < 0) throw unknown(Av::errorText(err));

    Av::Packet packet = firstPicture(in.get(), stream);
    if (!packet) throw unknown("no picture in the file");
    Av::Frame frame(av_frame_alloc());
    err = avcodec_send_packet(codec.get(), packet.get());
    if (err >= 0) err = avcodec_send_packet(codec.get(), nullptr);
    if (err >= 0 || err == AVERROR_EOF) err = avcodec_receive_frame(codec.get(), frame.get());
    if (!request.refusal.empty()) {
        throw InputError("input '" + path + "' is " + request.refusal + " (--max-pixels)");
    }
    if (err < 0)
        throw unknown(err == AVERROR_EOF ? "the picture is incomplete" : Av::errorText(err));
    packet.reset();

    const int w = frame->width, h = frame->height;
    Image image;
    try {
        image = Image(w, h);
    } catch (const std::bad_alloc&) {
        throw fail("not enough memory for a " + std::to_string(w) + "x" + std::to_string(h) +
                   " picture");
    }
    const auto format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    const bool fullRange = frame->color_range != AVCOL_RANGE_MPEG;
    if (d->comp[0].depth <= 8) {
        const Av::Scaler scaler = converter(w, h, format, AV_PIX_FMT_RGBA, fullRange);
        if (!scaler)
            throw unknown(std::string("no conversion from ") + av_get_pix_fmt_name(format));
        uint8_t* const planes[4] = {image.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {4 * w, 0, 0, 0};
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, planes, strides);
    } else {
        // Deeper pictures through 16-bit RGBA, exact, and then rounded here: the scaler
        // itself takes 16 bits to 8 with a bias that turns 0x8080 into 129, not 128.
        // A strip at a time (these formats are never subsampled vertically), so the
        // 16-bit copy is small.
        const int strip = std::min(h, 64);
        std::vector<uint16_t> deep(static_cast<size_t>(w) * 4 * strip);
        Av::Scaler full = converter(w, strip, format, AV_PIX_FMT_RGBA64, fullRange), last;
        if (!full) throw unknown(std::string("no conversion from ") + av_get_pix_fmt_name(format));
        for (int y0 = 0; y0 < h; y0 += strip) {
            const int rows = std::min(strip, h - y0);
            if (rows < strip && !last)
                last = converter(w, rows, format, AV_PIX_FMT_RGBA64, fullRange);
            const uint8_t* source[4];
            for (int p = 0; p < 4; ++p) {
                source[p] = frame->data[p]
                                ? frame->data[p] + static_cast<ptrdiff_t>(y0) * frame->linesize[p]
                                : nullptr;
            }
            uint8_t* const planes[4] = {reinterpret_cast<uint8_t*>(deep.data()), nullptr, nullptr,
                                        nullptr};
            const int strides[4] = {8 * w, 0, 0, 0};
            sws_scale(rows < strip ? last.get() : full.get(), source, frame->linesize, 0, rows,
                      planes, strides);
            uint8_t* out = image.pixel(0, y0);
            for (size_t i = 0, n = static_cast<size_t>(w) * 4 * rows; i < n; ++i) {
                out[i] = static_cast<uint8_t>((deep[i] * 255u + 32767u) / 65535u);
            }
        }
    }
    if (format != AV_PIX_FMT_PAL8 && !(d->flags & AV_PIX_FMT_FLAG_ALPHA)) {
        // Opaque formats: whatever the conversion left in alpha, the picture is opaque.
        for (size_t i = 3; i < image.bytes(); i += 4) image.data()[i] = 255;
    }
    return image;
}

void FfmpegStills::write(const std::string& path, const Image& image, AVCodecID encoderId,
                         AVPixelFormat format, const std::string& displayName) {
    av_log_set_level(AV_LOG_QUIET);
    auto fail = [&](const std::string& why) {
        return InputError("cannot write output '" + displayName + "': " + why);
    };
    const AVCodec* encoder = avcodec_find_encoder(encoderId);
    if (!encoder)
        throw fail(std::string("this FFmpeg has no ") + avcodec_get_name(encoderId) + " encoder");
    const int w = image.width(), h = image.height();
    Av::Codec codec(avcodec_alloc_context3(encoder));
    codec->width = w;
    codec->height = h;
    codec->pix_fmt = format;
    codec->time_base = AVRational{1, 25};
    codec->thread_count = 1;
    if (encoderId == AV_CODEC_ID_MJPEG) {
        // Quality near the top without the file sizes of the very top.
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA * 2;
        codec->color_range = AVCOL_RANGE_JPEG;
    }
    if (encoderId == AV_CODEC_ID_PNG) av_opt_set(codec->priv_data, "pred", "paeth", 0);
    int err = avcodec_open2(codec.get(), encoder, nullptr);
    if (err < 0) throw fail(Av::errorText(err));

    Av::Frame frame(av_frame_alloc());
    frame->format = format;
    frame->width = w;
    frame->height = h;
    frame->color_range = codec->color_range;
    if (format == AV_PIX_FMT_RGBA) {
        // The picture itself, lent to the encoder for the call: no frame-sized copy.
        frame->buf[0] = av_buffer_create(
            const_cast<uint8_t*>(image.data()), image.bytes(), [](void*, uint8_t*) {}, nullptr,
            AV_BUFFER_FLAG_READONLY);
        if (!frame->buf[0]) throw fail(Av::errorText(AVERROR(ENOMEM)));
        frame->data[0] = frame->buf[0]->data;
        frame->linesize[0] = 4 * w;
    } else {
        if ((err = av_frame_get_buffer(frame.get(), 0)) < 0) throw fail(Av::errorText(err));
        const Av::Scaler scaler = converter(w, h, AV_PIX_FMT_RGBA, format, true);
        if (!scaler) throw fail(std::string("no conversion to ") + av_get_pix_fmt_name(format));
        const uint8_t* const planes[4] = {image.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {4 * w, 0, 0, 0};
        sws_scale(scaler.get(), planes, strides, 0, h, frame->data, frame->linesize);
    }

    Av::Packet packet(av_packet_alloc());
    err = avcodec_send_frame(codec.get(), frame.get());
    if (err >= 0) err = avcodec_send_frame(codec.get(), nullptr);
    if (err >= 0) err = avcodec_receive_packet(codec.get(), packet.get());
    if (err < 0) throw fail(Av::errorText(err));

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) throw fail(Av::errorText(AVERROR(errno)));
    const bool written =
        std::fwrite(packet->data, 1, packet->size, file.get()) == static_cast<size_t>(packet->size);
    const int closeError = std::fclose(file.release());
    if (!written || closeError != 0) throw fail(Av::errorText(AVERROR(errno)));
}

}  // namespace Corvane::Tessory::Cli
