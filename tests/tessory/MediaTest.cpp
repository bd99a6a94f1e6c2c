// Pictures, files and the progress line: the program's own plumbing, without the plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "Image.h"
#include "InputError.h"
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
