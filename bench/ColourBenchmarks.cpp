// The command-line host's 8-bit 4:2:0 conversions against zimg and FFmpeg's scaler, on one
// 1920x1080 colour-edge picture: time of each direction, the round trip's error over the
// whole picture and beside a colour edge, and the edge error of a frame whose chroma a
// filter made (counters, in 8-bit steps).
//
// Argument: 0 ours (YuvConverter), 1 zimg, 2 swscale. BT.709, limited range, chroma sited
// left (MPEG-2), as video files have it.
#include <benchmark/benchmark.h>
#include <zimg.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "media/YuvConverter.h"

using Corvane::Tessory::Cli::VideoColour;
using Corvane::Tessory::Cli::YuvConverter;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Eight saturated bars 241 pixels wide (odd, so most edges fall inside a chroma sample),
// in another order below row 541.
std::vector<uint8_t> edgePicture() {
    static const uint8_t kBars[8][3] = {{235, 16, 16},   {16, 235, 16},  {16, 16, 235},
                                        {235, 235, 16},  {16, 235, 235}, {235, 16, 235},
                                        {235, 235, 235}, {16, 16, 16}};
    std::vector<uint8_t> rgba(size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int bar = (x / 241 + (y < 541 ? 0 : 3)) % 8;
            uint8_t* p = &rgba[(size_t(y) * kWidth + x) * 4];
            p[0] = kBars[bar][0];
            p[1] = kBars[bar][1];
            p[2] = kBars[bar][2];
            p[3] = 255;
        }
    }
    return rgba;
}

struct Frame {
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> f{av_frame_alloc(),
                                                   [](AVFrame* p) { av_frame_free(&p); }};
    Frame() {
        f->format = AV_PIX_FMT_YUV420P;
        f->width = kWidth;
        f->height = kHeight;
        f->colorspace = AVCOL_SPC_BT709;
        f->color_range = AVCOL_RANGE_MPEG;
        if (av_frame_get_buffer(f.get(), 64) < 0) std::abort();
    }
};

// One converter, both directions.
class Converter {
  public:
    virtual ~Converter() = default;
    virtual void fromRgba(const uint8_t* rgba, AVFrame& yuv) = 0;
    virtual void toRgba(const AVFrame& yuv, uint8_t* rgba) = 0;
};

class Ours : public Converter {
  public:
    Ours() : mConverter(*YuvConverter::make(AV_PIX_FMT_YUV420P, VideoColour::standard())) {}
    void fromRgba(const uint8_t* rgba, AVFrame& yuv) override {
        mConverter.fromRgba(rgba, kWidth, kHeight, yuv);
    }
    void toRgba(const AVFrame& yuv, uint8_t* rgba) override {
        mConverter.toRgba(yuv, rgba, kWidth, kHeight);
    }

  private:
    YuvConverter mConverter;
};

// zimg converts planar pictures: RGB goes through three planes, packed here.
class Zimg : public Converter {
  public:
    Zimg() {
        zimg_image_format yuv, rgb;
        zimg_image_format_default(&yuv, ZIMG_API_VERSION);
        zimg_image_format_default(&rgb, ZIMG_API_VERSION);
        for (zimg_image_format* f : {&yuv, &rgb}) {
            f->width = kWidth;
            f->height = kHeight;
            f->pixel_type = ZIMG_PIXEL_BYTE;
            f->depth = 8;
            f->transfer_characteristics = ZIMG_TRANSFER_BT709;
            f->color_primaries = ZIMG_PRIMARIES_BT709;
        }
        yuv.subsample_w = yuv.subsample_h = 1;
        yuv.color_family = ZIMG_COLOR_YUV;
        yuv.matrix_coefficients = ZIMG_MATRIX_BT709;
        yuv.pixel_range = ZIMG_RANGE_LIMITED;
        yuv.chroma_location = ZIMG_CHROMA_LEFT;
        rgb.color_family = ZIMG_COLOR_RGB;
        rgb.matrix_coefficients = ZIMG_MATRIX_RGB;
        rgb.pixel_range = ZIMG_RANGE_FULL;
        zimg_graph_builder_params params;
        zimg_graph_builder_params_default(&params, ZIMG_API_VERSION);
        params.dither_type = ZIMG_DITHER_NONE;
        mToRgb = zimg_filter_graph_build(&yuv, &rgb, &params);
        mToYuv = zimg_filter_graph_build(&rgb, &yuv, &params);
        if (!mToRgb || !mToYuv) std::abort();
        size_t a = 0, b = 0;
        zimg_filter_graph_get_tmp_size(mToRgb, &a);
        zimg_filter_graph_get_tmp_size(mToYuv, &b);
        mTmp.reset(static_cast<uint8_t*>(std::aligned_alloc(64, (std::max(a, b) + 63) / 64 * 64)));
        for (auto& plane : mPlanes) plane.resize(size_t(kWidth) * kHeight);
    }
    ~Zimg() override {
        zimg_filter_graph_free(mToRgb);
        zimg_filter_graph_free(mToYuv);
    }
    void fromRgba(const uint8_t* rgba, AVFrame& yuv) override {
        for (size_t i = 0, n = size_t(kWidth) * kHeight; i < n; ++i) {
            for (int c = 0; c < 3; ++c) mPlanes[c][i] = rgba[i * 4 + c];
        }
        zimg_image_buffer_const src{};
        zimg_image_buffer dst{};
        src.version = ZIMG_API_VERSION;
        dst.version = ZIMG_API_VERSION;
        for (int p = 0; p < 3; ++p) {
            src.plane[p] = {mPlanes[p].data(), kWidth, ZIMG_BUFFER_MAX};
            dst.plane[p] = {yuv.data[p], yuv.linesize[p], ZIMG_BUFFER_MAX};
        }
        zimg_filter_graph_process(mToYuv, &src, &dst, mTmp.get(), nullptr, nullptr, nullptr,
                                  nullptr);
    }
    void toRgba(const AVFrame& yuv, uint8_t* rgba) override {
        zimg_image_buffer_const src{};
        zimg_image_buffer dst{};
        src.version = ZIMG_API_VERSION;
        dst.version = ZIMG_API_VERSION;
        for (int p = 0; p < 3; ++p) {
            src.plane[p] = {yuv.data[p], yuv.linesize[p], ZIMG_BUFFER_MAX};
            dst.plane[p] = {mPlanes[p].data(), kWidth, ZIMG_BUFFER_MAX};
        }
        zimg_filter_graph_process(mToRgb, &src, &dst, mTmp.get(), nullptr, nullptr, nullptr,
                                  nullptr);
        for (size_t i = 0, n = size_t(kWidth) * kHeight; i < n; ++i) {
            for (int c = 0; c < 3; ++c) rgba[i * 4 + c] = mPlanes[c][i];
            rgba[i * 4 + 3] = 255;
        }
    }

  private:
    zimg_filter_graph* mToRgb = nullptr;
    zimg_filter_graph* mToYuv = nullptr;
    std::unique_ptr<uint8_t, void (*)(void*)> mTmp{nullptr, std::free};
    std::vector<uint8_t> mPlanes[3];
};

// FFmpeg's scaler with accurate rounding and full chroma interpolation, as the program's
// general path sets it.
class Swscale : public Converter {
  public:
    Swscale() {
        const int flags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;
        mToYuv = sws_getContext(kWidth, kHeight, AV_PIX_FMT_RGBA, kWidth, kHeight,
                                AV_PIX_FMT_YUV420P, flags, nullptr, nullptr, nullptr);
        mToRgb = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight,
                                AV_PIX_FMT_RGBA, flags, nullptr, nullptr, nullptr);
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(mToYuv, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        sws_setColorspaceDetails(mToRgb, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    }
    ~Swscale() override {
        sws_freeContext(mToYuv);
        sws_freeContext(mToRgb);
    }
    void fromRgba(const uint8_t* rgba, AVFrame& yuv) override {
        const int stride = 4 * kWidth;
        sws_scale(mToYuv, &rgba, &stride, 0, kHeight, yuv.data, yuv.linesize);
    }
    void toRgba(const AVFrame& yuv, uint8_t* rgba) override {
        const int stride = 4 * kWidth;
        sws_scale(mToRgb, yuv.data, yuv.linesize, 0, kHeight, &rgba, &stride);
    }

  private:
    SwsContext* mToYuv = nullptr;
    SwsContext* mToRgb = nullptr;
};

std::unique_ptr<Converter> converter(int64_t which) {
    if (which == 0) return std::make_unique<Ours>();
    if (which == 1) return std::make_unique<Zimg>();
    return std::make_unique<Swscale>();
}

const char* const kNames[] = {"ours", "zimg", "swscale"};

// Mean absolute error between the picture and back, in 8-bit steps: over all colour
// channels, and over the pixels within two of a bar's edge.
std::pair<double, double> errors(const std::vector<uint8_t>& in, const std::vector<uint8_t>& back) {
    double all = 0, edge = 0;
    int64_t edgeSamples = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool nearEdge = std::abs(x % 241 - 120) > 118 || std::abs(y - 540) <= 2;
            for (int ch = 0; ch < 3; ++ch) {
                const size_t i = (size_t(y) * kWidth + x) * 4 + ch;
                const double d = std::abs(int(in[i]) - int(back[i]));
                all += d;
                if (nearEdge) {
                    edge += d;
                    ++edgeSamples;
                }
            }
        }
    }
    return {all / (3.0 * kWidth * kHeight), edge / double(edgeSamples)};
}

// The round trip through one converter both ways; and a frame as a video file brings it
// (chroma filtered down by zimg) turned back into RGB by this converter.
void qualityCounters(benchmark::State& state, Converter& c, const std::vector<uint8_t>& in) {
    Frame yuv;
    std::vector<uint8_t> back(in.size());
    c.fromRgba(in.data(), *yuv.f);
    c.toRgba(*yuv.f, back.data());
    const auto [all, edge] = errors(in, back);
    state.counters["round_trip_error"] = all;
    state.counters["round_trip_edge_error"] = edge;
    Zimg().fromRgba(in.data(), *yuv.f);
    c.toRgba(*yuv.f, back.data());
    state.counters["decode_edge_error"] = errors(in, back).second;
}

void BM_ColourFromRgba(benchmark::State& state) {
    const std::vector<uint8_t> in = edgePicture();
    const auto c = converter(state.range(0));
    Frame yuv;
    for (auto _ : state) {
        c->fromRgba(in.data(), *yuv.f);
        benchmark::ClobberMemory();
    }
    qualityCounters(state, *c, in);
    state.SetLabel(kNames[state.range(0)]);
}

void BM_ColourToRgba(benchmark::State& state) {
    const std::vector<uint8_t> in = edgePicture();
    const auto c = converter(state.range(0));
    Frame yuv;
    c->fromRgba(in.data(), *yuv.f);
    std::vector<uint8_t> out(in.size());
    for (auto _ : state) {
        c->toRgba(*yuv.f, out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(kNames[state.range(0)]);
}

}  // namespace

BENCHMARK(BM_ColourFromRgba)->DenseRange(0, 2)->ArgName("converter")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourToRgba)->DenseRange(0, 2)->ArgName("converter")->Unit(benchmark::kMillisecond);
