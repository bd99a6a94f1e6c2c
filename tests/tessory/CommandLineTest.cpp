// The built program run as a user runs it: exit status, what it prints, what it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "PeakResident.h"
#include "TestSupport.h"
#include "media/Image.h"
#include "media/StillIO.h"

using namespace Corvane::Tessory::Cli;
using namespace TessoryTest;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

// tessory with the freshly built plug-in and the given arguments (already quoted).
Outcome tessory(const TempDir& dir, const std::string& args) {
    const std::string errFile = dir / "stderr.txt";
    const Result r = run(quote(TESSORY_BINARY) + " --plugin " + quote(TESSORY_PLUGIN_PATH) + " " +
                         args + " 2>" + quote(errFile));
    Outcome out{r.status, r.out, contents(errFile)};
    std::filesystem::remove(errFile);
    return out;
}

Image picture(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / w);
            p[1] = static_cast<uint8_t>(y * 255 / h);
            p[2] = static_cast<uint8_t>((x / 8 + y / 8) % 2 ? 230 : 20);
            p[3] = 255;
        }
    return image;
}

// Mean absolute difference of two pictures of one size, per channel value.
double difference(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.bytes(); ++i) sum += std::abs(int(a.data()[i]) - int(b.data()[i]));
    return a.bytes() ? sum / a.bytes() : 0;
}

}  // namespace

TEST(CommandLineTest, AboutVersionHelpAndParams) {
    TempDir dir;
    const Outcome about = tessory(dir, "about");
    EXPECT_EQ(about.status, 0) << about.err;
    EXPECT_NE(about.out.find("QX Tessory v1.0"), std::string::npos) << about.out;
    // The program's version comes without a subcommand and without loading the plug-in.
    const Outcome version = tessory(dir, "--plugin /nonexistent.so --version");
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "tessory 1.0\n");

    const Outcome help = tessory(dir, "render --help");
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"--input", "--output", "--set", "--preset", "--time", "--frames",
                             "--downsample", "--quiet", "Examples:"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }

    const Outcome text = tessory(dir, "params");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Shape Size 1"), std::string::npos);
    EXPECT_NE(text.out.find("1 Circle, 2 Ring"), std::string::npos);

    const Outcome json = tessory(dir, "params --json");
    ASSERT_EQ(json.status, 0) << json.err;
    // The plug-in's GL information block is held back unless asked for, and never lands
    // in the JSON on stdout.
    EXPECT_EQ(json.err.find("OpenGL Renderer"), std::string::npos) << json.err;
    // Global options go before or after the subcommand.
    for (const char* args :
         {"--verbose --renderer gl params --json", "params --json --renderer gl --verbose"}) {
        const Outcome verbose = tessory(dir, args);
        ASSERT_EQ(verbose.status, 0) << verbose.err;
        EXPECT_NE(verbose.err.find("OpenGL Renderer"), std::string::npos) << args;
        EXPECT_NE(verbose.err.find("tessory: renderer gl ("), std::string::npos) << args;
        EXPECT_EQ(verbose.out, json.out);
    }
    const auto list = nlohmann::json::parse(json.out);
    ASSERT_EQ(list.size(), 28u);
    EXPECT_EQ(list[1]["choices"].size(), 8u);     // offered
    EXPECT_EQ(list[1]["choiceText"].size(), 9u);  // the chevron too
    EXPECT_EQ(list[13]["shown"], false);          // Stroke Size, with the default edge type
}

TEST(CommandLineTest, StillsKeepTheirSize) {
    TempDir dir;
    StillIO::write(dir / "in.png", picture(64, 48), "in.png");
    const Outcome png = tessory(dir, "render -i " + quote(dir / "in.png") + " -o " +
                                         quote(dir / "out.png") + " --set 'shape type=Hexagon'");
    ASSERT_EQ(png.status, 0) << png.err;
    const Image out = StillIO::read(dir / "out.png");
    EXPECT_EQ(out.width(), 64);
    EXPECT_EQ(out.height(), 48);

    const Outcome jpg = tessory(
        dir, "render -i " + quote(dir / "in.png") + " -o " + quote(dir / "out.jpg") + " -d 2");
    ASSERT_EQ(jpg.status, 0) << jpg.err;
    EXPECT_EQ(StillIO::read(dir / "out.jpg").width(), 32);

    // No input: the built-in demo picture.
    const Outcome demo = tessory(dir, "render -o " + quote(dir / "demo.tif") + " -d 4");
    ASSERT_EQ(demo.status, 0) << demo.err;
    const Image d = StillIO::read(dir / "demo.tif");
    EXPECT_EQ(d.width(), 480);
    EXPECT_EQ(d.height(), 270);
    EXPECT_EQ(dir.entries(), 4u);  // no temporary files left behind
}

TEST(CommandLineTest, VideoKeepsSizeFrameCountRateAndAudio) {
    TempDir dir;
    ASSERT_TRUE(makeClip(dir / "in.mp4", 25));
    const std::string out = dir / "out.mp4";
    const Outcome all = tessory(dir, "render -i " + quote(dir / "in.mp4") + " -o " + quote(out));
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(probe(out, "v:0", "width,height"), "160,120");
    EXPECT_EQ(probe(out, "v:0", "nb_read_frames"), "25");
    EXPECT_EQ(probe(out, "v:0", "r_frame_rate"), "10/1");
    EXPECT_EQ(probe(out, "a:0", "codec_name"), "aac");
    // Key frames where the encoder places them, as in FFmpeg's own encoding: one, for a
    // clip without cuts.
    EXPECT_EQ(run("ffprobe -v error -skip_frame nokey -count_frames -select_streams v:0 "
                  "-show_entries stream=nb_read_frames -of csv=p=0 " +
                  quote(out))
                  .out,
              "1\n");
    // Not quiet and not a terminal: one final progress line.
    EXPECT_NE(all.err.find("25/25 frames"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find("fps"), std::string::npos);

    const std::string part = dir / "part.mov";
    const Outcome range = tessory(
        dir, "render -q -i " + quote(dir / "in.mp4") + " -o " + quote(part) + " --frames 2-6 -d 2");
    ASSERT_EQ(range.status, 0) << range.err;
    EXPECT_EQ(range.err, "");
    EXPECT_EQ(probe(part, "v:0", "width,height"), "80,60");
    EXPECT_EQ(probe(part, "v:0", "nb_read_frames"), "5");
    EXPECT_EQ(probe(part, "v:0", "r_frame_rate"), "10/1");
    const double audio = std::stod(probe(part, "a:0", "duration"));
    EXPECT_NEAR(audio, 0.5, 0.12);  // the audio of the five frames only

    // A still made into a video at a chosen rate.
    const std::string grown = dir / "grown.mp4";
    const Outcome still =
        tessory(dir, "render -q -o " + quote(grown) + " -d 8 --frames 0-5 --fps 12");
    ASSERT_EQ(still.status, 0) << still.err;
    EXPECT_EQ(probe(grown, "v:0", "width,height"), "240,135");
    EXPECT_EQ(probe(grown, "v:0", "nb_read_frames"), "6");
    EXPECT_EQ(probe(grown, "v:0", "r_frame_rate"), "12/1");
}

TEST(CommandLineTest, KeyframedPresetChangesTheResultOverTime) {
    TempDir dir;
    StillIO::write(dir / "in.png", picture(96, 64), "in.png");
    std::ofstream(dir / "grow.json") << R"({"Shape Size 1": [[0, 4], [1, 40]],
                                           "Fill Type": "Fill Inside", "Instances": 1})";
    auto at = [&](const std::string& when, const std::string& name) {
        const Outcome r =
            tessory(dir, "render -i " + quote(dir / "in.png") + " -o " + quote(dir / name) +
                             " -p " + quote(dir / "grow.json") + " " + when);
        EXPECT_EQ(r.status, 0) << r.err;
        return StillIO::read(dir / name);
    };
    const Image start = at("--time 0", "a.png");
    const Image again = at("--frames 0", "b.png");
    const Image end = at("--time 1", "c.png");
    const Image later = at("--time 3", "d.png");  // held after the last key
    EXPECT_EQ(difference(start, again), 0);
    EXPECT_GT(difference(start, end), 1.0);
    EXPECT_EQ(difference(end, later), 0);

    // The same through a video: its first and last frames differ.
    ASSERT_TRUE(makeClip(dir / "in.mp4", 11, false));
    const Outcome video =
        tessory(dir, "render -q -i " + quote(dir / "in.mp4") + " -o " + quote(dir / "out.mkv") +
                         " -p " + quote(dir / "grow.json"));
    ASSERT_EQ(video.status, 0) << video.err;
    auto frame = [&](int n, const std::string& name) {
        const Outcome r =
            tessory(dir, "render -i " + quote(dir / "in.mp4") + " -o " + quote(dir / name) +
                             " -p " + quote(dir / "grow.json") + " --frames " + std::to_string(n));
        EXPECT_EQ(r.status, 0) << r.err;
        return StillIO::read(dir / name);
    };
    EXPECT_GT(difference(frame(0, "f0.png"), frame(10, "f10.png")), 1.0);
}

TEST(CommandLineTest, BadInputGivesOneLineExitTwoAndNoFile) {
    TempDir dir;
    StillIO::write(dir / "in.png", picture(32, 24), "in.png");
    std::ofstream(dir / "corrupt.png") << "\x89PNG\r\n\x1a\n but nothing else";
    std::ofstream(dir / "corrupt.mp4") << std::string(4096, 'z');
    // Sound without a picture; a clip whose header is destroyed.
    ASSERT_EQ(
        run("ffmpeg -nostdin -v error -f lavfi -i sine=duration=0.2 " + quote(dir / "sound.m4a"))
            .status,
        0);
    ASSERT_TRUE(makeClip(dir / "broken.mkv", 12, false));
    std::string clip = contents(dir / "broken.mkv");
    std::fill_n(clip.begin(), 64, '\0');
    std::ofstream(dir / "broken.mkv", std::ios::binary) << clip;
    std::ofstream(dir / "bad.json") << R"({"Shape Type": "Hexagon",)";
    std::ofstream(dir / "unknown.json") << R"({"Shape Colour": "#FF0000"})";
    // Wider than any GL's maximum texture size; tiny on disk.
    StillIO::write(dir / "wide.png", Image(70000, 1), "wide.png");
    std::filesystem::create_directory(dir / "adir");
    const std::string in = " -i " + quote(dir / "in.png");

    struct Case {
        std::string args, message;
    };
    const Case cases[] = {
        {"-i " + quote(dir / "missing.png"), "cannot read input '" + (dir / "missing.png")},
        {"-i " + quote(dir / "corrupt.png"), "cannot read input '" + (dir / "corrupt.png")},
        {"-i " + quote(dir / "corrupt.mp4"), "cannot read input '" + (dir / "corrupt.mp4")},
        {"-i " + quote(dir / "sound.m4a"), "cannot read input '" + (dir / "sound.m4a")},
        {"-i " + quote(dir / "broken.mkv"), "cannot read input '" + (dir / "broken.mkv")},
        {in + " --set 'Shape Colour=#FF0000'", "unknown parameter \"Shape Colour\""},
        {in + " --set 'Shape Type=Chevron'", "\"Shape Type\": unknown choice \"Chevron\""},
        {in + " --set 'Shape Type=9'", "\"Shape Type\": choice 9 is out of range 1 to 8"},
        {in + " --set Instances=21", "\"Instances\": 21 is out of range 1 to 20"},
        {in + " --set 'Shape Size 1=-1'", "\"Shape Size 1\": -1 is out of range 0 to 2000"},
        {in + " --set 'Shadow Color=#12345'", "is not a colour (#RRGGBB or #AARRGGBB)"},
        {in + " --set 'Shape Center=10'", "is not a point (x,y in pixels)"},
        {in + " --set 'Transparent Background=yes please'", "is not on or off"},
        {in + " -p " + quote(dir / "bad.json"), "preset '" + (dir / "bad.json") + "': bad JSON"},
        {in + " -p " + quote(dir / "unknown.json"), "unknown parameter \"Shape Colour\""},
        {in + " -p " + quote(dir / "none.json"), "cannot read preset"},
        {in + " --frames 5-2", "bad frame range \"5-2\""},
        {in + " --frames 0-3", "a still output takes one frame"},
        {"--renderer gl -i " + quote(dir / "wide.png"),
         "is larger than the GL's maximum texture size"},
        {in + " --renderer fast", "--renderer: fast not in {auto,gl,cpu}"},
        {in + " --downsample 0", "--downsample"},
        {in + " --bogus", "--bogus"},
    };
    const std::string out = dir / "out.png";
    for (const Case& c : cases) {
        const Outcome r = tessory(dir, "render " + c.args + " -o " + quote(out));
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.args;
    }

    // Outputs that cannot be written; and an existing output survives a failed run.
    const Case outputs[] = {
        {dir / "nodir/out.png", "cannot write output '" + (dir / "nodir/out.png") + "': no folder"},
        {dir / "adir", "cannot write output '" + (dir / "adir") + "': it is a directory"},
        {dir / "out.xyz", "cannot write output '" + (dir / "out.xyz") + "': unknown format"},
    };
    for (const Case& c : outputs) {
        const Outcome r = tessory(dir, "render" + in + " -o " + quote(c.args));
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    std::ofstream(dir / "keep.png") << "precious";
    std::ofstream(dir / "keep.mp4") << "precious";
    for (const char* name : {"keep.png", "keep.mp4"}) {
        const Outcome r =
            tessory(dir, "render" + in + " --set Instances=99 -o " + quote(dir / name));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(contents(dir / name), "precious");
    }
    const Outcome video =
        tessory(dir, "render -i " + quote(dir / "corrupt.mp4") + " -o " + quote(dir / "keep.mp4"));
    EXPECT_EQ(video.status, 2);
    EXPECT_EQ(contents(dir / "keep.mp4"), "precious");

    for (const std::string& args : {" --plugin " + quote(dir / "none.so") + " about",
                                    " about --plugin " + quote(dir / "none.so")}) {
        const Result plugin = run(quote(TESSORY_BINARY) + args + " 2>&1");
        EXPECT_EQ(plugin.status, 2) << args;
        EXPECT_NE(plugin.out.find("cannot load plug-in"), std::string::npos) << plugin.out;
    }

    // Nothing but the inputs made above is left in the folder.
    EXPECT_EQ(dir.entries(), 11u);
}

// A PNG whose header says width x height, RGBA, with `rows` rows of zero pixels after it
// (fewer than height: a header that lies about how much data follows).
void writeZeroPng(const std::string& path, uint32_t width, uint32_t height, uint32_t rows) {
    auto be = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    auto chunk = [&](const std::string& type, const std::string& data) {
        const std::string body = type + data;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
        return be(static_cast<uint32_t>(data.size())) + body + be(static_cast<uint32_t>(crc));
    };
    const std::string row(1 + 4 * size_t(width), '\0');  // filter byte 0, then the pixels
    std::string raw;
    for (uint32_t y = 0; y < rows; ++y) raw += row;
    std::string packed(compressBound(raw.size()), '\0');
    uLongf packedSize = packed.size();
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
    packed.resize(packedSize);
    std::ofstream(path, std::ios::binary)
        << "\x89PNG\r\n\x1a\n"
        << chunk("IHDR", be(width) + be(height) + std::string{8, 6, 0, 0, 0})
        << chunk("IDAT", packed) << chunk("IEND", "");
}

// What a careless or hostile source hands over: each is refused (or, under a raised limit,
// rendered) through the program, with one line, nothing written, and a peak memory that
// shows nothing of the claimed size was held. Peaks are over the run of a tiny picture.
TEST(CommandLineTest, HostileInputsAreRefusedBeforeTheyCostMemory) {
    TempDir dir;
    writeZeroPng(dir / "liar.png", 60000, 60000, 0);   // 68 bytes claiming 3.6 Gpx
    writeZeroPng(dir / "bomb.png", 4000, 4000, 4000);  // 16 Mpx of zeros in 62 KB
    StillIO::write(dir / "cut.png", picture(256, 256), "cut.png");
    std::filesystem::resize_file(dir / "cut.png", std::filesystem::file_size(dir / "cut.png") / 2);
    StillIO::write(dir / "small.png", picture(64, 48), "small.png");
    for (const char* n : {"s_0001.png", "s_0003.png"})
        std::filesystem::copy_file(dir / "small.png", dir / n);
    std::filesystem::copy_file(dir / "liar.png", dir / "s_0002.png");
    ASSERT_TRUE(makeClip(dir / "clip.mkv", 3, false, "320x240"));
    std::ofstream(dir / "deep.json")
        << "{\"Instances\": " << std::string(200000, '[') << std::string(200000, ']') << "}";
    std::ofstream(dir / "huge.json") << "{\"Shape Type\": \"" << std::string(2 << 20, 'A') << "\"}";
    const std::string out = dir / "out.png";
    auto render = [&](const std::string& args, const std::string& output) {
        return peakResident("exec " + quote(TESSORY_BINARY) + " --plugin " +
                            quote(TESSORY_PLUGIN_PATH) + " render -q " + args + " -o " +
                            quote(output) + " 2> " + quote(dir / "err.txt"));
    };
    const PeakRun base = render("-i " + quote(dir / "small.png"), out);
    ASSERT_EQ(base.status, 0);
    std::filesystem::remove(out);

    const struct {
        std::string args, output;
        int status;
        std::string message;  // empty: rendered
        long extraMiB;        // peak over the tiny picture's
    } cases[] = {
        {"-i " + quote(dir / "liar.png"), out, 2,
         "is 60000x60000 (3600000000 pixels), over the limit of 500000000 pixels (--max-pixels)",
         32},
        // Over FFmpeg's own size limit: OpenImageIO is loaded for it, about 100 MiB of
        // libraries, and then refuses it as the data runs out.
        {"-i " + quote(dir / "liar.png") + " --max-pixels 4000000000", out, 2,
         "cannot read input '" + (dir / "liar.png") + "'", 160},
        {"-i " + quote(dir / "cut.png"), out, 2, "cannot read input '" + (dir / "cut.png") + "'",
         32},
        {"-i " + quote(dir / "bomb.png") + " --max-pixels 10000000", out, 2,
         "is 4000x4000 (16000000 pixels), over the limit of 10000000 pixels", 32},
        // Rendered: the picture and the host's two layers, 12 bytes a pixel, plus a little;
        // the layers go before the encoder's buffer comes.
        {"-i " + quote(dir / "bomb.png") + " --max-pixels 16000000", out, 0, "",
         16'000'000L * 13 / (1 << 20)},
        {"-i " + quote(dir / "small.png") + " -p " + quote(dir / "deep.json"), out, 2,
         "values nested more than 16 levels deep", 32},
        {"-i " + quote(dir / "small.png") + " -p " + quote(dir / "huge.json"), out, 2,
         "is larger than 1024 KiB", 32},
        {"-i " + quote(dir / "s_%04d.png"), dir / "f_%04d.png", 2,
         "is 60000x60000 (3600000000 pixels), over the limit", 32},
        {"-i " + quote(dir / "clip.mkv") + " --max-pixels 50000", dir / "out.mkv", 2,
         "has frames of 320x240 (76800 pixels), over the limit of 50000 pixels (--max-pixels)", 32},
    };
    for (const auto& c : cases) {
        const PeakRun r = render(c.args, c.output);
        const std::string err = contents(dir / "err.txt");
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << err;
        if (c.status == 2) {
            EXPECT_NE(err.find(c.message), std::string::npos) << c.args << "\n" << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_FALSE(std::filesystem::exists(c.output)) << c.args;
            EXPECT_FALSE(std::filesystem::exists(dir / "f_0001.png")) << c.args;
        }
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's shadow and quarantine inflate peaks
        EXPECT_LE(r.peakKiB - base.peakKiB, c.extraMiB * 1024)
            << c.args << ": peak " << r.peakKiB / 1024 << " MiB, a tiny picture's "
            << base.peakKiB / 1024 << " MiB";
#endif
        std::filesystem::remove(c.output);
    }
}

TEST(CommandLineTest, DemoWritesThePictureAndTheContactSheet) {
    TempDir dir;
    const Outcome r = tessory(dir, "demo -q --output " + quote(dir / "out"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Image demo = StillIO::read(dir / "out/demo.png");
    EXPECT_EQ(demo.width(), 1920);
    EXPECT_EQ(demo.height(), 1080);
    const Image sheet = StillIO::read(dir / "out/shapes.png");
    // Six tiles of 480x270 a row, three rows, captions under the tiles.
    EXPECT_EQ(sheet.width(), 16 + 6 * (480 + 16));
    EXPECT_EQ(sheet.height(), 16 + 3 * (270 + 26 + 16));

    // Every shape, the ninth included, looks different from the others (a circle and a ring
    // of the same outer size differ only in the ring's hole, so the bar is low).
    auto tile = [&](int i) {
        Image t(480, 270);
        const int x = 16 + (i % 6) * 496, y = 16 + (i / 6) * 312;
        for (int row = 0; row < 270; ++row)
            std::copy_n(sheet.pixel(x, y + row), 480 * 4, t.pixel(0, row));
        return t;
    };
    for (int a = 0; a < 18; a += 2) {
        EXPECT_GT(difference(tile(a), tile(a + 1)), 1.0) << "inside and outside of " << a / 2;
        for (int b = a + 2; b < 18; b += 2) {
            EXPECT_GT(difference(tile(a), tile(b)), 0.1) << "shapes " << a / 2 << " and " << b / 2;
        }
    }
}

TEST(CommandLineTest, MemoryDoesNotGrowWithTheFrames) {
    TempDir dir;
    const std::string clip = dir / "long.mp4";
    ASSERT_EQ(run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=64x64:rate=30 "
                  "-frames:v 3000 -pix_fmt yuv420p " +
                  quote(clip))
                  .status,
              0);
    const std::string render = "exec " + quote(TESSORY_BINARY) + " --plugin " +
                               quote(TESSORY_PLUGIN_PATH) + " render -q -o " +
                               quote(dir / "out.avi");
    Corvane::Tessory::Testing::expectMemoryFlat(
        "tessory",
        [&](int frames) {
            return render + " -i " + quote(clip) + " --frames 0-" + std::to_string(frames - 1);
        },
        render + " --frames 0-39");
}

// Ctrl-C or kill in the middle of a video: the program stops within a second, removes its
// temporary file and answers 128 + the signal; a target that existed stays as it was.
TEST(CommandLineTest, SignalsStopTheRenderAndLeaveNothingBehind) {
    for (const int sig : {SIGINT, SIGTERM}) {
        TempDir dir;
        const std::string target = dir / "out.mp4";
        std::ofstream(target) << "the earlier render";
        const pid_t pid = renderInBackground(target);
        ASSERT_GE(pid, 0);
        // Signalled once the temporary file is there, in the middle of the frames.
        auto temporaries = [&] {
            int n = 0;
            for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
                n += entry.path().filename().string().rfind(".out.", 0) == 0;
            }
            return n;
        };
        for (int i = 0; i < 200 && temporaries() == 0; ++i) usleep(50'000);
        ASSERT_EQ(temporaries(), 1);
        usleep(300'000);
        const auto sent = std::chrono::steady_clock::now();
        kill(pid, sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << sig;
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        EXPECT_LT(seconds, 1.0) << "signal " << sig;
        EXPECT_EQ(temporaries(), 0) << "signal " << sig;
        EXPECT_EQ(contents(target), "the earlier render");
    }
}
