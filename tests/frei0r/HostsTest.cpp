// Real frei0r hosts started as programs: FFmpeg's frei0r filter and GStreamer's against the
// command-line host with the same settings. The hosts find the bridge through FREI0R_PATH
// only.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Frei0rTestSupport.h"
#include "PeakResident.h"

namespace Corvane::Tessory::Frei0r::Testing {
namespace {

constexpr int kW = 96;
constexpr int kH = 64;
constexpr int kFrames = 3;

#ifndef TESSORY_HOST_PRELOAD
#define TESSORY_HOST_PRELOAD ""
#endif

std::string env(const std::string& plugin = TESSORY_PLUGIN_FILE) {
    return TESSORY_HOST_PRELOAD "FREI0R_PATH=" + quote(TESSORY_FREI0R_DIR) +
           " TESSORY_PLUGIN=" + quote(plugin) + " ";
}

class Frei0rHosts : public ::testing::Test {
  protected:
    void SetUp() override {
        // A few frames of FFmpeg's test picture, different from frame to frame.
        ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=96x64:rate=10 "
                      "-frames:v " +
                      std::to_string(kFrames) + " " + quote(dir / "src%d.png"))
                      .status,
                  0);
        mSource = decode(dir / "src%d.png");
        ASSERT_EQ(mSource.size(), size_t(kW) * kH * 4 * kFrames);
    }

    // Frames of an image sequence or video as raw R, G, B, A bytes.
    std::vector<uint8_t> decode(const std::string& input) {
        const std::string out = dir / "decoded.rgba";
        std::remove(out.c_str());
        EXPECT_EQ(run("ffmpeg -nostdin -v error -y -i " + quote(input) +
                      " -f rawvideo -pix_fmt rgba " + quote(out))
                      .status,
                  0);
        return bytes(out);
    }

    // FFmpeg's frei0r filter over the source frames, written to its standard output as in
    // a pipe to another program, so anything the effect prints there shows; stderr goes to
    // `err`.
    std::vector<uint8_t> ffmpeg(const std::string& params, const std::string& plugin,
                                std::string* err = nullptr) {
        std::string filter = "frei0r=filter_name=tessory";
        if (!params.empty()) filter += ":filter_params=" + params;
        const std::string out = dir / "ffmpeg.rgba";
        std::remove(out.c_str());
        const int rc =
            run(env(plugin) + "ffmpeg -nostdin -v error -y -framerate 10 -i " +
                quote(dir / "src%d.png") + " -vf " + quote(filter) +
                " -f rawvideo -pix_fmt rgba - > " + quote(out) + " 2> " + quote(dir / "ffmpeg.err"))
                .status;
        if (err) *err = contents(dir / "ffmpeg.err");
        EXPECT_EQ(rc, 0) << contents(dir / "ffmpeg.err");
        return bytes(out);
    }

    // The command-line host on each source frame with those settings.
    std::vector<uint8_t> cli(const std::vector<std::string>& sets) {
        std::string args;
        for (const std::string& s : sets) args += " --set " + quote(s);
        for (int i = 1; i <= kFrames; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ(run(env() + quote(TESSORY_CLI) + " render --quiet --input " +
                          quote(dir / ("src" + n + ".png")) + " --output " +
                          quote(dir / ("cli" + n + ".png")) + args)
                          .status,
                      0);
        }
        return decode(dir / "cli%d.png");
    }

    TempDir dir;
    std::vector<uint8_t> mSource;
};

// The effect rendered by FFmpeg through the bridge and by the command-line host, with the
// same settings once in frei0r's 0..1 terms and once in the effect's own units.
TEST_F(Frei0rHosts, FfmpegRendersWhatTheCommandLineHostRenders) {
    struct Case {
        const char* what;
        std::string params;
        std::vector<std::string> sets;
    };
    const std::vector<Case> cases = {
        {"defaults", "", {}},
        {"every parameter",
         "Hexagon|0.02|0.01|0.25/0.75|0.125|Fill Inside|y|Stroke|0.05|0x0000ff|0.5|0.25|0xff8000|"
         "0.75|0.1578947|0.5025|0.5|0.50125|0.49875|0.5|0.525|0.5625|0.2",
         {"Shape Type=Hexagon",        "Shape Size 1=40",       "Shape Size 2=20",
          "Shape Center=24,48",        "Shape Rotation=45",     "Fill Type=Fill Inside",
          "Transparent Background=on", "Edge Type=Stroke",      "Shadow Size=50",
          "Shadow Color=#0000FF",      "Shadow Opacity=50",     "Stroke Size=15",
          "Stroke Color=#FF8000",      "Stroke Opacity=75",     "Instances=4",
          "Shape Size 1 Offset=5",     "Shape Size 2 Offset=0", "Position X Offset=5",
          "Position Y Offset=-5",      "Scale X Offset=0",      "Scale Y Offset=10",
          "Rotation Offset=45",        "Opacity Offset=20"}},
        {"the first few, colour as r/g/b",
         "ring|0.0125|0.005|0.625/0.375|0.0625|Fill Outside|n|Shadow|0.01|1/0/0|0.8",
         {"Shape Type=Ring", "Shape Size 1=25", "Shape Size 2=10", "Shape Center=60,24",
          "Shape Rotation=22.5", "Fill Type=Fill Outside", "Transparent Background=off",
          "Edge Type=Shadow", "Shadow Size=10", "Shadow Color=#FF0000", "Shadow Opacity=80"}},
    };
    std::vector<std::vector<uint8_t>> results;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> viaFrei0r = ffmpeg(c.params, TESSORY_PLUGIN_FILE);
        const std::vector<uint8_t> viaCli = cli(c.sets);
        ASSERT_EQ(viaFrei0r.size(), mSource.size());
        ASSERT_EQ(viaCli.size(), mSource.size());
        EXPECT_LE(maxDifference(viaFrei0r, viaCli), 1);
        // With the defaults the circle (radius 300) covers this small frame and its band
        // lies outside it, so the layer comes through as it was; the other cases cut it.
        if (&c != &cases[0]) {
            EXPECT_NE(viaFrei0r, mSource) << "the frames came through unfiltered";
        } else {
            EXPECT_LE(maxDifference(viaFrei0r, mSource), 1);
        }
        results.push_back(viaFrei0r);
    }
    // The settings reach the effect: different settings, different pictures.
    EXPECT_NE(results[0], results[1]);
    EXPECT_NE(results[0], results[2]);
    EXPECT_NE(results[1], results[2]);
}

// Without the effect the frames pass through; a choice the effect does not offer (the
// chevron is in its choice text, not in its menu) keeps the default. Each says so once.
TEST_F(Frei0rHosts, FfmpegWithoutTheEffectOrItsChoiceSaysSoAndGoesOn) {
    std::string err;
    EXPECT_EQ(ffmpeg("Hexagon|0.1", dir / "missing/Tessory.so", &err), mSource);
    EXPECT_EQ(count(err, "tessory (frei0r)"), 1) << err;
    EXPECT_NE(err.find(dir / "missing/Tessory.so"), std::string::npos) << err;
    const std::vector<uint8_t> chevron = ffmpeg("Chevron", TESSORY_PLUGIN_FILE, &err);
    EXPECT_EQ(count(err, "unknown choice \"Chevron\""), 1) << err;
    EXPECT_EQ(chevron, ffmpeg("", TESSORY_PLUGIN_FILE));
}

// What the bridge or the host runtime keeps per frame, through FFmpeg.
TEST_F(Frei0rHosts, FfmpegMemoryDoesNotGrowWithTheFrames) {
    const std::string ffmpeg = env() + "exec ffmpeg -nostdin -v error -f lavfi -i testsrc";
    const std::string filter = " -vf frei0r=filter_name=tessory -f null -";
    Corvane::Tessory::Testing::expectMemoryFlat(
        "FFmpeg",
        [&](int frames) {
            return ffmpeg + "=size=64x64:rate=30 -frames:v " + std::to_string(frames) + filter;
        },
        ffmpeg + "2=size=1920x1080:rate=30 -frames:v 40" + filter);
}

// GStreamer's frei0r wrapper finds the filter as the element frei0r-filter-tessory, its
// properties named after the parameters; frames equal the command-line host's.
TEST_F(Frei0rHosts, GstreamerRendersWhatTheCommandLineHostRenders) {
    const std::vector<uint8_t> expected =
        cli({"Shape Size 1=40", "Instances=3", "Transparent Background=on"});
    // All the source frames through one pipeline; a registry of its own, since GStreamer
    // caches the frei0r filters it found and other tests point FREI0R_PATH elsewhere.
    const std::string out = dir / "gst.rgba";
    ASSERT_EQ(run(env() + "GST_REGISTRY=" + quote(dir / "registry.bin") +
                  " gst-launch-1.0 -q multifilesrc location=" + quote(dir / "src%d.png") +
                  " index=1 stop-index=" + std::to_string(kFrames) +
                  " caps=image/png,framerate=10/1 ! pngdec ! videoconvert ! "
                  "frei0r-filter-tessory shape-size-1=0.02 instances=0.10526 "
                  "transparent-background=true ! videoconvert ! video/x-raw,format=RGBA ! "
                  "filesink location=" +
                  quote(out) + " > /dev/null 2> " + quote(dir / "gst.err"))
                  .status,
              0)
        << contents(dir / "gst.err");
    const std::vector<uint8_t> frames = bytes(out);
    ASSERT_EQ(frames.size(), expected.size());
    EXPECT_EQ(maxDifference(frames, expected), 0);
    EXPECT_NE(frames, mSource);
}

}  // namespace
}  // namespace Corvane::Tessory::Frei0r::Testing
