#pragma once
// FFmpeg's objects held the way the rest of the program holds what it owns: each in a
// unique_ptr whose deleter is the library's own free function, so a constructor that
// throws halfway lets go of everything it had opened.
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace Corvane::Tessory::Cli::Av {

struct CloseInput {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
// An output context closes its file too, when it opened one that is still open.
struct FreeOutput {
    void operator()(AVFormatContext* f) const {
        if (f->pb && !(f->oformat->flags & AVFMT_NOFILE)) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct FreeCodec {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FreeFrame {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct FreePacket {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FreeScaler {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using InputFormat = std::unique_ptr<AVFormatContext, CloseInput>;
using OutputFormat = std::unique_ptr<AVFormatContext, FreeOutput>;
using Codec = std::unique_ptr<AVCodecContext, FreeCodec>;
using Frame = std::unique_ptr<AVFrame, FreeFrame>;
using Packet = std::unique_ptr<AVPacket, FreePacket>;
using Scaler = std::unique_ptr<SwsContext, FreeScaler>;

/// FFmpeg's text for an AVERROR code.
inline std::string errorText(int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return text;
}

/// Opens path for reading; null with err set (an AVERROR) when it cannot be opened.
inline InputFormat openInput(const char* path, int* err) {
    AVFormatContext* raw = nullptr;
    *err = avformat_open_input(&raw, path, nullptr, nullptr);
    return InputFormat(*err < 0 ? nullptr : raw);
}

}  // namespace Corvane::Tessory::Cli::Av
