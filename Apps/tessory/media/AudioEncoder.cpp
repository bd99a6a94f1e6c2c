#include "media/AudioEncoder.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace Corvane::Tessory::Cli {

namespace {

// The source's rate where the encoder takes it, else the highest it takes.
int sampleRate(const AVCodec& codec, int wanted) {
    if (!codec.supported_samplerates) return wanted;
    int best = 0;
    for (const int* r = codec.supported_samplerates; *r; ++r) {
        if (*r == wanted) return wanted;
        best = std::max(best, *r);
    }
    return best;
}

}  // namespace

std::unique_ptr<AudioEncoder> AudioEncoder::make(const AVStream& source, AVFormatContext& output) {
    const AVCodec* encoder = avcodec_find_encoder(output.oformat->audio_codec);
    const AVCodec* decoder = avcodec_find_decoder(source.codecpar->codec_id);
    if (!encoder || !decoder || !encoder->sample_fmts) return nullptr;

    std::unique_ptr<AudioEncoder> a(new AudioEncoder);
    a->mOutput = &output;
    a->mSourceBase = source.time_base;
    a->mDecoder.reset(avcodec_alloc_context3(decoder));
    a->mEncoder.reset(avcodec_alloc_context3(encoder));
    a->mDecoded.reset(av_frame_alloc());
    a->mConverted.reset(av_frame_alloc());
    a->mChunk.reset(av_frame_alloc());
    a->mPacket.reset(av_packet_alloc());
    if (!a->mDecoder || !a->mEncoder || !a->mDecoded || !a->mConverted || !a->mChunk ||
        !a->mPacket) {
        return nullptr;
    }
    AVCodecContext& dec = *a->mDecoder;
    if (avcodec_parameters_to_context(&dec, source.codecpar) < 0 ||
        avcodec_open2(&dec, decoder, nullptr) < 0 || dec.sample_rate <= 0 ||
        dec.ch_layout.nb_channels <= 0) {
        return nullptr;
    }

    AVCodecContext& enc = *a->mEncoder;
    enc.sample_fmt = encoder->sample_fmts[0];
    enc.sample_rate = sampleRate(*encoder, dec.sample_rate);
    // Mono and stereo stay as they are; anything wider is mixed down to stereo, which every
    // encoder here takes.
    if (dec.ch_layout.nb_channels <= 2) {
        av_channel_layout_default(&enc.ch_layout, dec.ch_layout.nb_channels);
    } else {
        av_channel_layout_default(&enc.ch_layout, 2);
    }
    enc.time_base = AVRational{1, enc.sample_rate};
    if (output.oformat->flags & AVFMT_GLOBALHEADER) enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(&enc, encoder, nullptr) < 0) return nullptr;

    AVChannelLayout in{};
    if (dec.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&in, dec.ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&in, &dec.ch_layout) < 0) {
        return nullptr;
    }
    const int made =
        swr_alloc_set_opts2(&a->mResampler, &enc.ch_layout, enc.sample_fmt, enc.sample_rate, &in,
                            dec.sample_fmt, dec.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    if (made < 0 || swr_init(a->mResampler) < 0) return nullptr;
    a->mQueue = av_audio_fifo_alloc(enc.sample_fmt, enc.ch_layout.nb_channels, 1);
    if (!a->mQueue) return nullptr;

    a->mStream = avformat_new_stream(&output, nullptr);
    if (!a->mStream || avcodec_parameters_from_context(a->mStream->codecpar, &enc) < 0) {
        return nullptr;
    }
    a->mStream->time_base = enc.time_base;
    return a;
}

AudioEncoder::~AudioEncoder() {
    swr_free(&mResampler);
    if (mQueue) av_audio_fifo_free(mQueue);
}

std::string AudioEncoder::codecName() const {
    return mEncoder->codec->name;
}

int AudioEncoder::send(const AVPacket* packet) {
    int err = avcodec_send_packet(mDecoder.get(), packet);
    // A packet the decoder refuses is skipped, as players skip it.
    if (err < 0 && err != AVERROR(EAGAIN)) return 0;
    for (;;) {
        err = avcodec_receive_frame(mDecoder.get(), mDecoded.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return 0;
        if (err < 0) return 0;
        if (mNextPts == AV_NOPTS_VALUE) {
            const int64_t pts = mDecoded->best_effort_timestamp;
            mNextPts =
                pts == AV_NOPTS_VALUE
                    ? 0
                    : std::max<int64_t>(0, av_rescale_q(pts, mSourceBase, mEncoder->time_base));
        }
        err = convert(mDecoded.get());
        av_frame_unref(mDecoded.get());
        if (err < 0 || (err = drain(false)) < 0) return err;
    }
}

int AudioEncoder::convert(const AVFrame* decoded) {
    const AVCodecContext& enc = *mEncoder;
    const int room = swr_get_out_samples(mResampler, decoded ? decoded->nb_samples : 0);
    if (room <= 0) return 0;
    AVFrame& out = *mConverted;
    av_frame_unref(&out);
    out.format = enc.sample_fmt;
    out.sample_rate = enc.sample_rate;
    out.nb_samples = room;
    int err = av_channel_layout_copy(&out.ch_layout, &enc.ch_layout);
    if (err < 0 || (err = av_frame_get_buffer(&out, 0)) < 0) return err;
    const int n =
        swr_convert(mResampler, out.extended_data, room,
                    decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr,
                    decoded ? decoded->nb_samples : 0);
    if (n < 0) return n;
    if (n > 0 && av_audio_fifo_write(mQueue, reinterpret_cast<void**>(out.extended_data), n) < n) {
        return AVERROR(ENOMEM);
    }
    return 0;
}

int AudioEncoder::drain(bool last) {
    const AVCodecContext& enc = *mEncoder;
    const bool variable =
        enc.frame_size <= 0 || (enc.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int size = variable ? 1024 : enc.frame_size;
    while (av_audio_fifo_size(mQueue) >= size || (last && av_audio_fifo_size(mQueue) > 0)) {
        AVFrame& chunk = *mChunk;
        av_frame_unref(&chunk);
        chunk.format = enc.sample_fmt;
        chunk.sample_rate = enc.sample_rate;
        chunk.nb_samples = std::min(size, av_audio_fifo_size(mQueue));
        int err = av_channel_layout_copy(&chunk.ch_layout, &enc.ch_layout);
        if (err < 0 || (err = av_frame_get_buffer(&chunk, 0)) < 0) return err;
        if (av_audio_fifo_read(mQueue, reinterpret_cast<void**>(chunk.extended_data),
                               chunk.nb_samples) < chunk.nb_samples) {
            return AVERROR(EIO);
        }
        chunk.pts = mNextPts == AV_NOPTS_VALUE ? 0 : mNextPts;
        mNextPts = chunk.pts + chunk.nb_samples;
        if ((err = encode(&chunk)) < 0) return err;
    }
    return 0;
}

int AudioEncoder::encode(AVFrame* frame) {
    int err = avcodec_send_frame(mEncoder.get(), frame);
    if (err < 0) return err;
    for (;;) {
        err = avcodec_receive_packet(mEncoder.get(), mPacket.get());
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return 0;
        if (err < 0) return err;
        av_packet_rescale_ts(mPacket.get(), mEncoder->time_base, mStream->time_base);
        mPacket->stream_index = mStream->index;
        if ((err = av_interleaved_write_frame(mOutput, mPacket.get())) < 0) return err;
    }
}

int AudioEncoder::finish() {
    int err = send(nullptr);
    if (err < 0 || (err = convert(nullptr)) < 0 || (err = drain(true)) < 0) return err;
    return encode(nullptr);
}

}  // namespace Corvane::Tessory::Cli
