// Stills in and out, without the plug-in: every writable format reads back as written,
// alpha where the format keeps it, and deeper pictures from other programs are read right.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "Programs.h"
#include "media/Image.h"
#include "media/StillIO.h"

using namespace Corvane::Tessory::Cli;
using namespace Corvane::Tessory::Testing;

namespace {

// Every colour and alpha level somewhere, colour under transparent pixels included.
Image testPicture() {
    Image image(64, 48);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = uint8_t(x * 4);
            p[1] = uint8_t(y * 5);
            p[2] = uint8_t(255 - (x + y) * 2);
            p[3] = uint8_t((x * 37 + y * 11) % 256);
        }
    }
    return image;
}

// The largest difference of any channel between two pictures of one size.
int largestDifference(const Image& a, const Image& b) {
    int most = 0;
    for (size_t i = 0; i < a.bytes(); ++i)
        most = std::max(most, std::abs(a.data()[i] - b.data()[i]));
    return most;
}

}  // namespace

TEST(StillIOTest, EveryWritableFormatReadsBackAsWritten) {
    TempDir dir;
    const Image picture = testPicture();
    const Image flat = picture.flattened();
    const struct {
        const char* name;
        bool alpha;  // else the picture comes back flattened over black, opaque
        int tolerance;
    } cases[] = {
        {"a.png", true, 0},
        {"a.tif", true, 0},
        {"a.dpx", true, 0},
        {"a.tga", true, 0},
        {"a.sgi", true, 0},
        {"a.jp2", true, 0},
        {"A.PNG", true, 0},
        {"a.exr", true, 1},  // half floats, read by FFmpeg, written through OpenImageIO
        {"a.bmp", false, 0},
        {"a.ppm", false, 0},
        {"a.jpg", false, 32},  // lossy, and the flattened picture is noise to it
    };
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        ASSERT_TRUE(StillIO::isStillName(path)) << c.name;
        StillIO::write(path, picture, c.name);
        const Image back = StillIO::read(path);
        ASSERT_EQ(back.width(), 64) << c.name;
        ASSERT_EQ(back.height(), 48) << c.name;
        EXPECT_LE(largestDifference(back, c.alpha ? picture : flat), c.tolerance) << c.name;
    }
    for (const char* video : {"a.mkv", "a.mp4", "a.mov", "noextension", "a.png.part"}) {
        EXPECT_FALSE(StillIO::isStillName(dir / video)) << video;
    }
}

// Pictures deeper or narrower than 8-bit RGBA, made by FFmpeg from exact samples: each is
// converted once, rounded, with no dithering.
TEST(StillIOTest, DeepAndGreyPicturesAreConvertedOnce) {
    TempDir dir;
    const struct {
        const char* format;
        std::string sample;  // one pixel, repeated over the picture
        uint8_t expected[4];
    } cases[] = {
        {"rgba64be",
         {'\x33', '\x33', '\x66', '\x66', '\x99', '\x99', '\x7F', '\x7F'},
         {0x33, 0x66, 0x99, 0x7F}},
        {"rgb48be", {'\x33', '\x40', '\x66', '\x66', '\x99', '\x99'}, {0x33, 0x66, 0x99, 255}},
        {"gray16be", {'\x80', '\x80'}, {0x80, 0x80, 0x80, 255}},
        {"gray", {'\x40'}, {0x40, 0x40, 0x40, 255}},
        {"ya8", {'\x80', '\x40'}, {0x80, 0x80, 0x80, 0x40}},
    };
    for (const auto& c : cases) {
        const std::string raw = dir / "sample.raw", path = dir / (std::string(c.format) + ".png");
        std::string pixels;
        for (int i = 0; i < 8 * 6; ++i) pixels += c.sample;
        std::ofstream(raw, std::ios::binary) << pixels;
        const Result made =
            run("ffmpeg -v error -f rawvideo -pix_fmt " + std::string(c.format) + " -s 8x6 -i " +
                quote(raw) + " -pix_fmt " + c.format + " " + quote(path) + " 2>&1");
        ASSERT_EQ(made.status, 0) << made.out;
        const Image back = StillIO::read(path);
        ASSERT_EQ(back.width(), 8) << c.format;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(back.pixel(5, 3)[i], c.expected[i]) << c.format << " " << i;
    }
}
