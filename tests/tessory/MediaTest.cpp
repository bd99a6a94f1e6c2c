// Pictures, files and the progress line: the program's own plumbing, without the plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "BitmapFont.h"
#include "ContactSheet.h"
#include "DemoPicture.h"
#include "Image.h"
#include "InputError.h"
#include "Progress.h"
#include "StillIO.h"

using namespace Corvane::Tessory::Cli;
namespace fs = std::filesystem;

namespace {

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/tessory-media-XXXXXX";
        mPath = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(mPath); }
    std::string operator/(const std::string& name) const { return (mPath / name).string(); }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(mPath), {}));
    }
    const fs::path& path() const { return mPath; }

  private:
    fs::path mPath;
};

std::string contents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(AtomicFileTest, TargetAppearsOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir / "out.png";
    {
        AtomicFile file(target);
        EXPECT_EQ(fs::path(file.tempPath()).parent_path(), dir.path());
        EXPECT_EQ(fs::path(file.tempPath()).extension(), ".png");
        EXPECT_TRUE(fs::exists(file.tempPath()));
        EXPECT_FALSE(fs::exists(target));
        std::ofstream(file.tempPath()) << "new";
        file.commit();
    }
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(AtomicFileTest, AbandonedWriteLeavesAnExistingTargetAlone) {
    TempDir dir;
    const std::string target = dir / "out.mp4";
    std::ofstream(target) << "old";
    {
        AtomicFile file(target);
        std::ofstream(file.tempPath()) << "half";
    }
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(dir.entries(), 1u);  // the temporary file is gone
}

TEST(AtomicFileTest, UnwritableDestinationsAreInputErrors) {
    TempDir dir;
    EXPECT_THROW(AtomicFile(dir / "missing/out.png"), InputError);
    EXPECT_THROW(AtomicFile(dir.path().string()), InputError);  // a directory
    EXPECT_THROW(AtomicFile(""), InputError);
    if (geteuid() != 0) {  // root writes anywhere
        fs::create_directory(dir / "ro");
        chmod((dir / "ro").c_str(), 0500);
        EXPECT_THROW(AtomicFile(dir / "ro/out.png"), InputError);
    }
}

TEST(ImageTest, FlattenBlitAndResize) {
    Image image(2, 1);
    image.pixel(0, 0)[0] = 200;
    image.pixel(0, 0)[3] = 128;
    image.pixel(1, 0)[1] = 90;
    image.pixel(1, 0)[3] = 255;
    const Image flat = image.flattened();
    EXPECT_EQ(flat.pixel(0, 0)[0], 100);  // 200 * 128 / 255, rounded
    EXPECT_EQ(flat.pixel(0, 0)[3], 255);
    EXPECT_EQ(flat.pixel(1, 0)[1], 90);

    Image big(4, 4);
    big.fill(1, 2, 3, 4);
    big.blit(image, 3, 3);  // clipped to one pixel
    EXPECT_EQ(big.pixel(3, 3)[0], 200);
    EXPECT_EQ(big.pixel(2, 3)[0], 1);
    const Image half = big.resized(2, 2);
    EXPECT_EQ(half.width(), 2);
    EXPECT_EQ(half.pixel(0, 0)[2], 3);
}

TEST(StillIOTest, RoundTripsKeepAlphaWhereTheFormatHasIt) {
    TempDir dir;
    Image image(3, 2);
    image.fill(10, 20, 30, 255);
    image.pixel(2, 1)[0] = 250;
    image.pixel(2, 1)[3] = 0;
    StillIO::write(dir / "a.png", image, "a.png");
    const Image png = StillIO::read(dir / "a.png");
    ASSERT_EQ(png.width(), 3);
    ASSERT_EQ(png.height(), 2);
    EXPECT_EQ(png.pixel(0, 0)[1], 20);
    EXPECT_EQ(png.pixel(2, 1)[0], 250);
    EXPECT_EQ(png.pixel(2, 1)[3], 0);

    StillIO::write(dir / "a.tif", image, "a.tif");
    EXPECT_EQ(StillIO::read(dir / "a.tif").pixel(2, 1)[3], 0);

    // JPEG has no alpha: flattened over black, read back opaque.
    StillIO::write(dir / "a.jpg", image, "a.jpg");
    const Image jpg = StillIO::read(dir / "a.jpg");
    EXPECT_EQ(jpg.pixel(0, 0)[3], 255);
    EXPECT_LT(jpg.pixel(2, 1)[0], 80);
}

TEST(StillIOTest, NamesAndBadFiles) {
    EXPECT_TRUE(StillIO::isStillName("x.PNG"));
    EXPECT_TRUE(StillIO::isStillName("dir.v2/x.exr"));
    EXPECT_TRUE(StillIO::isStillName("x.jpeg"));
    EXPECT_FALSE(StillIO::isStillName("x.mp4"));
    EXPECT_FALSE(StillIO::isStillName("x.mov"));
    EXPECT_FALSE(StillIO::isStillName("noextension"));

    TempDir dir;
    std::ofstream(dir / "bad.png") << "this is not a PNG file at all";
    try {
        StillIO::read(dir / "bad.png");
        ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot read input '" + (dir / "bad.png") + "'"),
                  std::string::npos);
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
    }
    EXPECT_THROW(StillIO::read(dir / "missing.png"), InputError);
}

TEST(ProgressTest, LineShowsFramesRateAndTimeLeft) {
    EXPECT_EQ(Progress::line(10, 40, 2.0),
              "[#######.......................] 10/40 frames  5.0 fps  0:06 left");
    EXPECT_EQ(Progress::line(40, 40, 4.0),
              "[##############################] 40/40 frames  10.0 fps");
    EXPECT_EQ(Progress::line(3, 0, 1.5), "3 frames  2.0 fps");
}

TEST(ProgressTest, QuietWritesNothingAndALogGetsOneFinalLine) {
    TempDir dir;
    for (bool quiet : {true, false}) {
        const std::string path = dir / (quiet ? "quiet.txt" : "log.txt");
        std::FILE* f = std::fopen(path.c_str(), "w");
        Progress progress(3, quiet, f);
        progress.step();
        progress.step();
        progress.step();
        progress.finish();
        std::fclose(f);
        const std::string text = contents(path);
        if (quiet) {
            EXPECT_EQ(text, "");
        } else {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
            EXPECT_NE(text.find("3/3 frames"), std::string::npos);
        }
    }
}

TEST(DemoPictureTest, HasTheBoardTheWheelAndOpaquePixels) {
    const Image demo = DemoPicture::make(480, 270);
    ASSERT_EQ(demo.width(), 480);
    ASSERT_EQ(demo.height(), 270);
    int transparent = 0;
    for (int y = 0; y < demo.height(); ++y)
        for (int x = 0; x < demo.width(); ++x) transparent += demo.pixel(x, y)[3] != 255;
    EXPECT_EQ(transparent, 0);
    // Neighbouring checkerboard cells differ strongly in brightness.
    const int cell = 15;  // 60 at 1080 lines
    auto luma = [&](int x, int y) {
        const uint8_t* p = demo.pixel(x, y);
        return p[0] + p[1] + p[2];
    };
    EXPECT_GT(std::abs(luma(cell / 2, 150) - luma(cell + cell / 2, 150)), 200);
    // The wheel centre is white, its right rim saturated red.
    const int cx = static_cast<int>(480 * 0.68), cy = 135;
    EXPECT_GT(luma(cx, cy), 700);
    const uint8_t* rim = demo.pixel(cx + static_cast<int>(270 * 0.36) - 3, cy);
    EXPECT_GT(rim[0], 200);
    EXPECT_LT(rim[2], 60);
    EXPECT_EQ(DemoPicture::make().width(), 1920);
}

TEST(ContactSheetTest, GridWithCaptions) {
    ContactSheet sheet(2, 40, 30);
    Image red(40, 30), clear(80, 60);
    red.fill(255, 0, 0, 255);
    sheet.add(red, "A");
    sheet.add(clear, "B");  // scaled down, transparent
    sheet.add(red, "C");
    const Image out = sheet.compose();
    const int m = ContactSheet::kMargin, cellH = 30 + ContactSheet::kCaptionHeight + m;
    EXPECT_EQ(out.width(), 2 * (40 + m) + m);
    EXPECT_EQ(out.height(), 2 * cellH + m);
    EXPECT_EQ(out.pixel(m + 5, m + 5)[0], 255);
    EXPECT_EQ(out.pixel(m + 40 + m + 5, m + 5)[0], 32);  // transparent tile shows background
    EXPECT_EQ(out.pixel(m + 5, m + cellH + 5)[0], 255);  // third tile on the second row
    int captionPixels = 0;
    for (int y = m + 30; y < m + 30 + ContactSheet::kCaptionHeight; ++y)
        for (int x = m; x < m + 40; ++x) captionPixels += out.pixel(x, y)[0] > 200;
    EXPECT_GT(captionPixels, 10);
}
