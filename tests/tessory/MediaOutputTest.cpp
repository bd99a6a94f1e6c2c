// What `tessory render` makes of real video, checked with ffprobe and by decoding: alpha in
// every container that holds it, the codec options, colour tags and values, time stamps.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestSupport.h"

using namespace TessoryTest;

namespace {

// tessory with the freshly built plug-in; stderr into the result's output.
Result tessory(const std::string& args) {
    return run(quote(TESSORY_BINARY) + " --plugin " + quote(TESSORY_PLUGIN_PATH) + " " + args +
               " 2>&1");
}

// The first frame of a video as R, G, B, A bytes, decoded with the decoder that keeps alpha.
std::string firstFrameRGBA(const std::string& file, const std::string& decoder = "") {
    return run("ffmpeg -nostdin -v error " + decoder + " -i " + quote(file) +
               " -frames:v 1 -f rawvideo -pix_fmt rgba -")
        .out;
}

// Every frame as R, G, B bytes, decoded as the file is tagged.
std::string framesRGB(const std::string& file) {
    return run("ffmpeg -nostdin -v error -i " + quote(file) + " -f rawvideo -pix_fmt rgb24 -").out;
}

double meanDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
    }
    return sum / double(a.size());
}

// Parameters under which the effect changes no pixel: a single instance, a hole of radius 0
// and an invisible shadow.
const std::string kUnchanged = "--set 'Shape Size 1=0' --set Instances=1 --set 'Shadow Opacity=0'";

TEST(MediaOutputTest, TransparentBackgroundKeepsAlphaInEveryContainerThatHoldsIt) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 3, false));
    struct Case {
        const char* file;
        const char* codec;
        const char* decoder;  // VP9's alpha is read by libvpx only
        bool alpha;
    };
    const Case cases[] = {
        {"out.mov", "prores", "", true},
        {"out.mkv", "ffv1", "", true},
        {"out.webm", "vp9", "-c:v libvpx-vp9", true},
        {"out.mp4", "h264", "", false},
    };
    for (const Case& c : cases) {
        const Result r =
            tessory("render -q -i " + quote(dir / "in.mp4") + " -o " + quote(dir / c.file) +
                    " --set 'Transparent Background=on' --set 'Fill Type=Fill Inside'"
                    " --set 'Shape Size 1=20' --set Instances=1 --set 'Shadow Opacity=0'");
        ASSERT_EQ(r.status, 0) << c.file << ": " << r.out;
        EXPECT_EQ(probe(dir / c.file, "v:0", "codec_name"), c.codec) << c.file;
        EXPECT_EQ(probe(dir / c.file, "v:0", "width,height"), "160,120") << c.file;
        const std::string frame = firstFrameRGBA(dir / c.file, c.decoder);
        ASSERT_EQ(frame.size(), 160u * 120 * 4) << c.file;
        int transparent = 0, opaque = 0;
        for (size_t i = 3; i < frame.size(); i += 4) {
            transparent += uint8_t(frame[i]) == 0;
            opaque += uint8_t(frame[i]) == 255;
        }
        // Outside a circle of radius 20 in 160x120 is about 93 % of the frame.
        if (c.alpha) {
            EXPECT_GT(transparent, 160 * 120 * 9 / 10) << c.file;
            EXPECT_GT(opaque, 1000) << c.file;
        } else {
            EXPECT_EQ(opaque, 160 * 120) << c.file;
            EXPECT_NE(r.out.find("warning: the output holds no alpha"), std::string::npos) << r.out;
        }
    }
}

TEST(MediaOutputTest, CodecOptionsAreTakenOrRefusedWithOneLineAndNothingWritten) {
    TempDir dir;
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=161x121:rate=10 "
                  "-frames:v 3 -pix_fmt yuv444p " +
                  quote(dir / "in.mp4"))
                  .status,
              0);
    const std::string in = " -i " + quote(dir / "in.mp4");
    // Taken: the codec, its CRF and pixel format, and an odd size kept.
    Result r = tessory("render -q" + in + " -o " + quote(dir / "ok.mkv") +
                       " --codec libx264 --crf 30 --pix-fmt yuv444p");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(probe(dir / "ok.mkv", "v:0", "codec_name,width,height,pix_fmt"),
              "h264,161,121,yuv444p");
    // Refused before anything is written.
    const struct {
        const char* file;
        const char* args;
        const char* says;
    } bad[] = {
        {"bad.mkv", "--codec nosuchcodec", "unknown video codec"},
        {"bad.mkv", "--codec pcm_s16le", "unknown video codec"},
        {"bad.mkv", "--codec ffv1 --crf 20", "has no CRF setting"},
        {"bad.webm", "--codec libx264", "cannot be stored in WebM"},
        {"bad.mkv", "--pix-fmt nosuchformat", "unknown pixel format"},
        {"bad.mkv", "--pix-fmt yuva444p10le", "does not take pixel format"},
        {"bad.mkv", "--pix-fmt yuv420p", "needs an even width and height"},
    };
    for (const auto& b : bad) {
        r = tessory("render -q" + in + " -o " + quote(dir / b.file) + " " + b.args);
        EXPECT_EQ(r.status, 2) << b.args;
        EXPECT_NE(r.out.find(b.says), std::string::npos) << b.args << ": " << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir / b.file)) << b.args;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(MediaOutputTest, ColourTagsAndValuesComeBackAsTheyWentIn) {
    TempDir dir;
    const std::string tags =
        " -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv ";
    // 4:4:4 kept losslessly end to end: only the effect's 8-bit RGB lies between.
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x96:rate=10 "
                  "-frames:v 4 -vf scale=out_color_matrix=bt709:out_range=tv -pix_fmt yuv444p " +
                  tags + "-c:v libx264 -crf 0 " + quote(dir / "in.mkv"))
                  .status,
              0);
    Result r = tessory("render -q -i " + quote(dir / "in.mkv") + " -o " + quote(dir / "out.mkv") +
                       " --crf 0 --pix-fmt yuv444p " + kUnchanged);
    ASSERT_EQ(r.status, 0) << r.out;
    // ffprobe prints range, matrix, transfer, primaries.
    const char* entries = "color_range,color_space,color_transfer,color_primaries";
    EXPECT_EQ(probe(dir / "out.mkv", "v:0", entries), "tv,bt709,bt709,bt709");
    // Differences in units of 1/255.
    EXPECT_LE(meanDifference(framesRGB(dir / "in.mkv"), framesRGB(dir / "out.mkv")), 1.0);

    // The container's usual 4:2:0 at its default quality keeps the tags too.
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -i " + quote(dir / "in.mkv") + " -pix_fmt yuv420p " +
                  tags + quote(dir / "in.mp4"))
                  .status,
              0);
    r = tessory("render -q -i " + quote(dir / "in.mp4") + " -o " + quote(dir / "out.mp4") + " " +
                kUnchanged);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(probe(dir / "out.mp4", "v:0", entries), "tv,bt709,bt709,bt709");
    const double mean = meanDifference(framesRGB(dir / "in.mp4"), framesRGB(dir / "out.mp4"));
    std::cout << "[ colour ] BT.709 4:2:0 round trip, mean difference " << mean << "/255"
              << std::endl;
    // Chroma subsampled twice around 8-bit RGB and a lossy encoder cost about 1.2/255 here;
    // tagging the output BT.601, as this program once did, cost 7.
    EXPECT_LT(mean, 2.0);
}

TEST(MediaOutputTest, VariableFrameRatesKeepTheirTimes) {
    TempDir dir;
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=96x64:rate=25 -frames:v 8 "
                  "-vf \"setpts='if(lt(N,4),N*2,8+(N-4)*5)'\" -fps_mode passthrough "
                  "-video_track_timescale 1000 " +
                  quote(dir / "vfr.mkv"))
                  .status,
              0);
    const Result r =
        tessory("render -q -i " + quote(dir / "vfr.mkv") + " -o " + quote(dir / "out.mkv"));
    ASSERT_EQ(r.status, 0) << r.out;
    auto times = [](const std::string& file) {
        return run("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of "
                   "csv=p=0 " +
                   quote(file))
            .out;
    };
    const std::string out = times(dir / "out.mkv");
    EXPECT_EQ(out, times(dir / "vfr.mkv"));
    // Frame 4 comes 0.08 s after frame 3 but frame 5 0.2 s after frame 4.
    EXPECT_NE(out.find("0.520000"), std::string::npos) << out;
}

}  // namespace

namespace {

size_t filesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(MediaOutputTest, PictureSequencesInAndOut) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 6, false));
    std::filesystem::create_directory(dir / "seq");
    // Out: one picture a frame, alpha kept, numbered by frame.
    Result r = tessory("render -q -i " + quote(dir / "in.mp4") + " -o " +
                       quote(dir / "seq/f_%04d.png") + " --set 'Transparent Background=on'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(filesIn(dir / "seq"), 6u);
    EXPECT_TRUE(std::filesystem::exists(dir / "seq/f_0005.png"));
    EXPECT_EQ(probe(dir / "seq/f_0000.png", "v:0", "pix_fmt"), "rgba");

    // In: from the first number present, at the rate given; --frames counts from there.
    for (int n = 0; n < 2; ++n)
        std::filesystem::remove(dir / ("seq/f_000" + std::to_string(n) + ".png"));
    r = tessory("render -q -i " + quote(dir / "seq/f_%04d.png") + " --fps 12.5 -o " +
                quote(dir / "seq.mkv"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(probe(dir / "seq.mkv", "v:0", "nb_read_frames"), "4");
    EXPECT_EQ(probe(dir / "seq.mkv", "v:0", "r_frame_rate"), "25/2");
    r = tessory("render -q -i " + quote(dir / "seq/f_%04d.png") + " --frames 1-2 -o " +
                quote(dir / "part_%02d.png"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "part_01.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "part_02.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "part_00.png"));

    // A gap is bad input naming the missing file; nothing is written.
    std::filesystem::remove(dir / "seq/f_0003.png");
    r = tessory("render -q -i " + quote(dir / "seq/f_%04d.png") + " -o " + quote(dir / "gap.mp4"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("f_0003.png is missing"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "gap.mp4"));
}

// An interrupted sequence takes its pictures away: a half-written sequence never looks
// complete.
TEST(MediaOutputTest, AnInterruptedSequenceLeavesNoPictures) {
    TempDir dir;
    std::filesystem::create_directory(dir / "seq");
    const pid_t pid = renderInBackground(dir / "seq/f_%05d.png");
    ASSERT_GE(pid, 0);
    for (int i = 0; i < 200 && filesIn(dir / "seq") < 3; ++i) usleep(50'000);
    ASSERT_GE(filesIn(dir / "seq"), 3u);
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(filesIn(dir / "seq"), 0u);
}

}  // namespace
