// Pictures and files: the program's own plumbing, without the plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "Image.h"
#include "InputError.h"
#include "Programs.h"
#include "StillIO.h"

using namespace Corvane::Tessory::Cli;
namespace fs = std::filesystem;

using namespace Corvane::Tessory::Testing;

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
