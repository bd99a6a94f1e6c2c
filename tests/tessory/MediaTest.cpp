// Stills in and out, without the plug-in.
#include <gtest/gtest.h>

#include "Image.h"
#include "Programs.h"
#include "StillIO.h"

using namespace Corvane::Tessory::Cli;

using namespace Corvane::Tessory::Testing;

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
