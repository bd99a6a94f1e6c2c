// The native MLT filter through melt: the values a project holds, in the effect's own units,
// must draw what tessory draws with the same values; a half-size request must draw the
// command line's downsampled render; threads must not change a frame; and bad values in a
// project are clamped or refused with one line, never a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "Programs.h"

namespace Corvane::Tessory::Testing {
namespace {

constexpr int kWidth = 320, kHeight = 180;

class Melt : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(dir / "profile")
            << "description=test\nframe_rate_num=10\nframe_rate_den=1\nwidth=" << kWidth
            << "\nheight=" << kHeight
            << "\nprogressive=1\nsample_aspect_num=1\nsample_aspect_den=1\n"
               "display_aspect_num=16\ndisplay_aspect_den=9\ncolorspace=709\n";
        // Smooth, so that MLT's scaler and the command line's agree on a half-size input.
        ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i \"color=s=" + size() +
                      ",format=rgba,geq=r='X*255/W':g='Y*255/H':b='128+64*sin(X/20)':a=255\" "
                      "-frames:v 1 " +
                      quote(dir / "in.png"))
                      .status,
                  0);
    }

    static std::string size() { return std::to_string(kWidth) + "x" + std::to_string(kHeight); }
    static std::string env() {
        return std::string("MLT_REPOSITORY=") + TESSORY_MLT_REPOSITORY + " ";
    }

    /// melt renders frames 0..5 of the picture through the filter into prefix.mkv (FFV1
    /// with alpha, lossless); its stderr is kept in prefix.err. melt's picture-sequence
    /// output quits now and then before writing anything, and MLT's default real_time
    /// drops frames when the machine is busy, hence a file and real_time=-1 (unless
    /// consumerArgs say otherwise).
    int melt(const std::string& filterArgs, const std::string& prefix,
             const std::string& consumerArgs = "real_time=-1") {
        return run(env() + "melt -silent -profile " + quote(dir / "profile") + " " +
                   quote(dir / "in.png") + " out=5 -filter tessory " + filterArgs +
                   consume(prefix) + consumerArgs + " 2> " + quote(dir / (prefix + ".err")))
            .status;
    }
    std::string consume(const std::string& prefix) {
        return " -consumer avformat:" + quote(dir / (prefix + ".mkv")) +
               " vcodec=ffv1 pix_fmt=bgra an=1 ";
    }
    /// Frame n (from 0) of prefix.mkv as RGBA bytes; empty when there is none.
    std::vector<uint8_t> frame(const std::string& prefix, int n) {
        const Result r = run("ffmpeg -nostdin -v error -i " + quote(dir / (prefix + ".mkv")) +
                             " -vf 'select=eq(n\\," + std::to_string(n) +
                             ")' -frames:v 1 -f rawvideo -pix_fmt rgba -");
        return std::vector<uint8_t>(r.out.begin(), r.out.end());
    }
    std::string err(const std::string& prefix) { return contents(dir / (prefix + ".err")); }

    TempDir dir;
};

struct Case {
    const char* what;
    const char* melt;     // the filter's properties, as a project or melt's command line has them
    const char* tessory;  // tessory render's options for frame 5 (0.5 s)
};

// Kdenlive writes menus as numbers, colours as 0xRRGGBBAA and the centre as a rectangle.
const Case kCases[] = {
    {"centre off the middle", "'Shape Center=100 60' 'Shape Size 1=40'",
     "--set 'Shape Center=100,60' --set 'Shape Size 1=40'"},
    {"centre as Kdenlive's rectangle", "'Shape Center=70 30 60 60' 'Shape Size 1=40'",
     "--set 'Shape Center=100,60' --set 'Shape Size 1=40'"},
    {"keyframed size", "'Shape Size 1=0=40;10=80' 'Shape Rotation=0=0;10=90' 'Shape Type=Hexagon'",
     "--preset keys.json --set 'Shape Type=Hexagon'"},
    {"fill inside with a stroke",
     "'Fill Type=Fill Inside' 'Edge Type=Stroke' 'Stroke Color=#FF2080FF' 'Stroke Size=6' "
     "'Shape Type=Cross' 'Shape Size 1=50' 'Transparent Background=1'",
     "--set 'Transparent Background=on' --set 'Fill Type=Fill Inside' --set 'Edge Type=Stroke' "
     "--set 'Stroke Color=#FF2080FF' "
     "--set 'Stroke Size=6' --set 'Shape Type=Cross' --set 'Shape Size 1=50'"},
    {"as Kdenlive stores them",
     "'Fill Type=2' 'Edge Type=2' 'Stroke Color=0x2080FFFF' 'Stroke Size=6' 'Shape Type=3' "
     "'Shape Size 1=50' 'Transparent Background=1'",
     "--set 'Transparent Background=on' --set 'Fill Type=Fill Inside' --set 'Edge Type=Stroke' "
     "--set 'Stroke Color=#FF2080FF' "
     "--set 'Stroke Size=6' --set 'Shape Type=Cross' --set 'Shape Size 1=50'"},
    {"20 instances on a transparent background",
     "Instances=20 'Shape Size 1=30' 'Scale X Offset=15' 'Rotation Offset=12' "
     "'Position X Offset=6' 'Opacity Offset=4' 'Transparent Background=1'",
     "--set Instances=20 --set 'Shape Size 1=30' --set 'Scale X Offset=15' "
     "--set 'Rotation Offset=12' --set 'Position X Offset=6' --set 'Opacity Offset=4' "
     "--set 'Transparent Background=on'"},
};

TEST_F(Melt, DrawsWhatTheCommandLineDrawsWithTheSameValues) {
    std::ofstream(dir / "keys.json")
        << R"({"Shape Size 1": [[0, 40], [1, 80]], "Shape Rotation": [[0, 0], [1, 90]]})";
    const std::vector<uint8_t> source = rgba(dir / "in.png");
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(melt(c.melt, "m"), 0) << err("m");
        EXPECT_EQ(err("m").find("tessory (mlt)"), std::string::npos) << err("m");
        ASSERT_EQ(run("cd " + quote(dir.path()) + " && " + TESSORY_CLI +
                      " render -q -i in.png -o t.png --time 0.5 " + c.tessory)
                      .status,
                  0);
        const std::vector<uint8_t> melted = frame("m", 5);
        const long far = farPixels(melted, rgba(dir / "t.png"));
        EXPECT_GE(far, 0);
        EXPECT_LE(far, kWidth * kHeight / 1000) << "pixels more than 2/255 apart";
        EXPECT_GT(farPixels(melted, source), kWidth * kHeight / 100) << "the filter drew nothing";
    }
}

// A request at half the profile's size (Shotcut's preview scaling, the consumer's scale) draws the
// shapes at half their size, as the command line's --downsample 2 does.
TEST_F(Melt, HalfSizeRequestDrawsTheDownsampledRender) {
    const std::string values =
        "'Shape Center=100 60' 'Shape Size 1=60' 'Instances=6' "
        "'Position Y Offset=10' 'Edge Type=Stroke' 'Stroke Size=8'";
    ASSERT_EQ(melt(values, "h", "scale=0.5 real_time=-1"), 0) << err("h");
    ASSERT_EQ(run("cd " + quote(dir.path()) + " && " + TESSORY_CLI +
                  " render -q -i in.png -o t.png --downsample 2 --set 'Shape Center=100,60' "
                  "--set 'Shape Size 1=60' --set Instances=6 --set 'Position Y Offset=10' "
                  "--set 'Edge Type=Stroke' --set 'Stroke Size=8'")
                  .status,
              0);
    const long far = farPixels(frame("h", 5), rgba(dir / "t.png"));
    EXPECT_GE(far, 0) << "sizes differ";
    EXPECT_LE(far, 160 * 90 / 1000);
}

// Kdenlive and Shotcut render several frames at once; each must come out as on one thread.
TEST_F(Melt, FourThreadsDrawEveryFrameAsOne) {
    const std::string values = "'Shape Size 1=0=20;5=90' 'Instances=0=2;5=12' 'Scale Y Offset=-20'";
    ASSERT_EQ(melt(values, "a", "real_time=-1"), 0) << err("a");
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_EQ(melt(values, "b", "real_time=-4"), 0) << err("b");
        for (int f = 0; f < 6; ++f) {
            const std::vector<uint8_t> one = frame("a", f);
            EXPECT_FALSE(one.empty());
            EXPECT_EQ(frame("b", f), one) << "frame " << f;
        }
    }
}

// What a hand-edited or damaged project may hold: each problem is one line on stderr, the
// render goes on.
TEST_F(Melt, BadValuesAreClampedOrRefusedWithOneLine) {
    const struct {
        const char* value;
        const char* said;
    } kBad[] = {
        {"Instances=50", "\"Instances\": 50 is out of range 1 to 20; clamped"},
        {"'Shape Type=Star'", "\"Shape Type\": unknown choice \"Star\""},
        {"'Shape Type=9'", "\"Shape Type\": choice 9 is out of range 1 to 8"},
        {"'Shadow Color=#12'", "\"Shadow Color\": \"#12\" is not a colour"},
        {"'Shape Size 1=0=40;=80;x'", "is not a value or a keyframe string"},
        {"'Shape Size 1=0=40;10=big'", "\"Shape Size 1\": \"big\" is not a number"},
        {"'Shape Center=left'", "\"Shape Center\": \"left\" is not x y in pixels"},
        {"'Transparent Background=maybe'", "is not on or off"},
    };
    for (const auto& bad : kBad) {
        SCOPED_TRACE(bad.value);
        EXPECT_EQ(melt(bad.value, "x"), 0) << err("x");
        const std::string said = err("x");
        EXPECT_NE(said.find(bad.said), std::string::npos) << said;
        EXPECT_EQ(said.find("tessory (mlt)"), said.rfind("tessory (mlt)")) << "one line: " << said;
        EXPECT_FALSE(frame("x", 5).empty());
        std::filesystem::remove(dir / "x.mkv");
    }
}

// The real editors under Xvfb, driven as a user drives them (tests/mlt/*_session.sh). What
// they save is rendered by melt and compared with tessory given the values the user set.
class Editors : public Melt {
  protected:
    void SetUp() override {
        Melt::SetUp();
        ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i \"color=s=1920x1080,format=rgba,"
                      "geq=r='X*255/W':g='Y*255/H':b='128+64*sin(X/100)':a=255\" -frames:v 1 " +
                      quote(dir / "big.png"))
                      .status,
                  0);
    }

    void session(const std::string& script, const std::string& panel) {
        ASSERT_EQ(
            run(script + " " + quote(dir.path()) + " " + quote(dir / "big.png") + " " + panel +
                " " + TESSORY_MLT_REPOSITORY + " > " + quote(dir / "session.log") + " 2>&1")
                .status,
            0)
            << contents(dir / "session.log");
    }

    /// Frame `first` of the project, as melt renders it, against tessory with those options.
    void expectProjectDraws(const std::string& project, int first, const std::string& options) {
        SCOPED_TRACE(project);
        // The editors read pictures through MLT's Qt module, which wants a display.
        ASSERT_EQ(run(env() + "xvfb-run -a melt -silent " + quote(dir / project) +
                      " in=" + std::to_string(first) + " out=" + std::to_string(first + 2) +
                      consume("p") + "real_time=-1 2> " + quote(dir / "p.err"))
                      .status,
                  0)
            << contents(dir / "p.err");
        ASSERT_EQ(run(std::string(TESSORY_CLI) + " render -q -i " + quote(dir / "big.png") +
                      " -o " + quote(dir / "pt.png") + " " + options)
                      .status,
                  0);
        const std::vector<uint8_t> drawn = frame("p", 0);
        const long far = farPixels(drawn, rgba(dir / "pt.png"));
        EXPECT_GE(far, 0);
        EXPECT_LE(far, 1920 * 1080 / 1000) << "pixels more than 2/255 apart";
        EXPECT_GT(farPixels(drawn, rgba(dir / "big.png")), 1920 * 1080 / 100)
            << "the effect drew nothing";
    }
};

// Kdenlive: the effect added to a clip stores the effect's defaults, and values typed into
// its sliders reach the effect as typed.
TEST_F(Editors, KdenliveStoresTheDefaultsAndTheValuesTypedIn) {
    session(TESSORY_KDENLIVE_SESSION, TESSORY_KDENLIVE_XML);
    for (const char* project : {"fresh.kdenlive", "typed.kdenlive"}) {
        // The clip starts where it was dropped, after a blank.
        std::smatch blank;
        const std::string text = contents(dir / project);
        ASSERT_TRUE(std::regex_search(text, blank,
                                      std::regex(R"re(<blank length="(\d+):(\d+):([\d.]+)"/>)re")));
        const double start =
            std::stoi(blank[1]) * 3600 + std::stoi(blank[2]) * 60 + std::stod(blank[3]);
        const int frame = static_cast<int>(std::lround(start * 25)) + 10;
        expectProjectDraws(project, frame,
                           std::string(project) == "fresh.kdenlive"
                               ? ""
                               : "--set Instances=8 --set 'Scale X Offset=30'");
    }
}

// Shotcut: the filter added to a clip stores the defaults, and a preset brings back the
// value it was saved with.
TEST_F(Editors, ShotcutStoresTheDefaultsAndAPresetRoundTrips) {
    session(TESSORY_SHOTCUT_SESSION, TESSORY_SHOTCUT_PANEL);
    EXPECT_NE(contents(dir / "preset.yml").find("shape_size_1: 120"), std::string::npos);
    expectProjectDraws("fresh.mlt", 0, "");
    expectProjectDraws("preset.mlt", 0, "--set 'Shape Size 1=120'");
}

// melt -query shows every property with its type, range and default.
TEST_F(Melt, QueryListsEveryParameterWithItsRangeAndDefault) {
    const Result listing = run(env() + "melt -query filter=tessory 2>/dev/null");
    ASSERT_EQ(listing.status, 0);
    const Result params = run(std::string(TESSORY_CLI) + " params --json");
    ASSERT_EQ(params.status, 0);
    for (const char* expected :
         {"identifier: Shape Type", "default: Circle", "  - T Shape", "identifier: Shape Center",
          "type: rect", "identifier: Opacity Offset", "identifier: Instances", "maximum: 20",
          "default: \"#FF000000\"", "type: boolean"}) {
        EXPECT_NE(listing.out.find(expected), std::string::npos) << expected << "\n" << listing.out;
    }
    size_t named = 0;
    for (size_t at = listing.out.find("- identifier:"); at != std::string::npos;
         at = listing.out.find("- identifier:", at + 1))
        ++named;
    size_t settable = 0;
    for (size_t at = params.out.find("\"settable\": true"); at != std::string::npos;
         at = params.out.find("\"settable\": true", at + 1))
        ++settable;
    EXPECT_GT(settable, 20u);
    EXPECT_EQ(named, settable) << listing.out;
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
