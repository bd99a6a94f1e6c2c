// Encoding odd sizes with the source's audio, and the YUV conversion, checked with ffprobe
// and FFmpeg's scaler.
#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "media/AvHandles.h"
#include "media/VideoWriter.h"
#include "media/YuvConverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

using namespace Corvane::Tessory::Cli;
using namespace TessoryTest;

TEST(VideoTest, OddSizesAndAudioEncodedAgainWhereTheContainerCannotHoldIt) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 10));
    VideoWriter::Options o;
    o.width = 33;  // odd: 4:2:0 cannot hold it
    o.height = 17;
    o.rateNum = 25;
    o.audioSource = dir / "in.mp4";
    // WebM holds only Vorbis and Opus audio: the AAC track is encoded again, with a note.
    VideoWriter writer(dir / "out.webm", "out.webm", o);
    EXPECT_NE(writer.audioNote().find("audio re-encoded as "), std::string::npos);
    Image image(33, 17);
    image.fill(200, 10, 10, 255);
    for (int i = 0; i < 10; ++i) writer.write(image, i / 25.0);
    writer.finish();
    EXPECT_EQ(probe(dir / "out.webm", "v:0", "width,height"), "33,17");
    EXPECT_EQ(probe(dir / "out.webm", "v:0", "nb_read_frames"), "10");
    const std::string codec = probe(dir / "out.webm", "a:0", "codec_name");
    EXPECT_TRUE(codec == "opus" || codec == "vorbis") << codec;
    // As long as the source's audio, decoded.
    const auto seconds = [&](const std::string& file) {
        const Result r = run("ffmpeg -nostdin -v error -i " + quote(dir / file) +
                             " -map 0:a -f s16le -ac 1 -ar 8000 -");
        return r.out.size() / 2 / 8000.0;
    };
    EXPECT_NEAR(seconds("out.webm"), seconds("in.mp4"), 0.03);
}

Av::Frame newFrame(AVPixelFormat format, int w, int h) {
    Av::Frame frame(av_frame_alloc());
    frame->format = format;
    frame->width = w;
    frame->height = h;
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

// The converter against FFmpeg's scaler (4:4:4, where both mean the same samples) and by
// round trip for every format: a wrong coefficient, range or chroma siting shows in one.
TEST(VideoTest, YuvConversionMatchesTheScalerAndRoundTrips) {
    const int w = 37, h = 21;  // odd: the last chroma samples cover one column and row
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Constant over 2x2 blocks, so that subsampled chroma loses nothing.
            const unsigned seed = unsigned(x / 2 * 7919 + y / 2 * 104729) * 2654435761u;
            for (int c = 0; c < 3; ++c)
                rgba[(size_t(y) * w + x) * 4 + c] = uint8_t(seed >> (8 * c));
            rgba[(size_t(y) * w + x) * 4 + 3] = 255;
        }
    }
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P};
    const struct {
        AVColorSpace matrix;
        int swsMatrix;
    } matrices[] = {{AVCOL_SPC_BT709, SWS_CS_ITU709},
                    {AVCOL_SPC_SMPTE170M, SWS_CS_SMPTE170M},
                    {AVCOL_SPC_BT2020_NCL, SWS_CS_BT2020}};
    for (AVPixelFormat format : formats) {
        for (const auto& m : matrices) {
            for (AVColorRange range : {AVCOL_RANGE_MPEG, AVCOL_RANGE_JPEG}) {
                SCOPED_TRACE(std::string(av_get_pix_fmt_name(format)) + " matrix " +
                             std::to_string(m.matrix) + " range " + std::to_string(range));
                const auto yuv = YuvConverter::make(format, VideoColour{m.matrix, range});
                ASSERT_TRUE(yuv);
                Av::Frame frame = newFrame(format, w, h), reference = newFrame(format, w, h);
                yuv->fromRgba(rgba.data(), w, h, *frame);
                std::vector<uint8_t> back(rgba.size());
                yuv->toRgba(*frame, back.data(), w, h);
                int worst = 0;
                long drift = 0;  // signed: a converter that truncates has no error over 2
                for (size_t i = 0; i < rgba.size(); ++i) {
                    worst = std::max(worst, std::abs(int(rgba[i]) - int(back[i])));
                    drift += int(back[i]) - int(rgba[i]);
                }
                EXPECT_LE(worst, 2) << "round trip";
                EXPECT_LT(std::abs(double(drift) / double(rgba.size())), 0.1) << "round trip drift";
                // In the host's order: the same bytes, rotated, both ways.
                std::vector<uint8_t> argb(rgba.size()), argbBack(rgba.size());
                for (size_t i = 0; i < rgba.size(); i += 4) {
                    argb[i] = rgba[i + 3];
                    std::copy_n(&rgba[i], 3, &argb[i + 1]);
                }
                Av::Frame fromArgb = newFrame(format, w, h);
                yuv->fromRgba(argb.data(), w, h, *fromArgb, PixelOrder::ARGB);
                yuv->toRgba(*fromArgb, argbBack.data(), w, h, PixelOrder::ARGB);
                for (size_t i = 0; i < rgba.size(); i += 4) {
                    ASSERT_EQ(argbBack[i], 255) << "alpha at " << i;
                    ASSERT_TRUE(std::equal(&back[i], &back[i + 3], &argbBack[i + 1])) << i;
                }
                if (format != AV_PIX_FMT_YUV444P) continue;

                Av::Scaler sws(sws_getContext(w, h, AV_PIX_FMT_RGBA, w, h, format,
                                              SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr,
                                              nullptr));
                ASSERT_TRUE(sws);
                sws_setColorspaceDetails(sws.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                         sws_getCoefficients(m.swsMatrix),
                                         range == AVCOL_RANGE_JPEG, 0, 1 << 16, 1 << 16);
                const uint8_t* src[4] = {rgba.data()};
                const int stride[4] = {w * 4};
                sws_scale(sws.get(), src, stride, 0, h, reference->data, reference->linesize);
                worst = 0;
                for (int p = 0; p < 3; ++p) {
                    for (int y = 0; y < h; ++y) {
                        for (int x = 0; x < w; ++x) {
                            worst = std::max(
                                worst,
                                std::abs(frame->data[p][y * frame->linesize[p] + x] -
                                         reference->data[p][y * reference->linesize[p] + x]));
                        }
                    }
                }
                EXPECT_LE(worst, 1) << "against the scaler";
            }
        }
    }
}
