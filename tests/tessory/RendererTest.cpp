// The renderer against the real plug-in: the registered list as the parsers see it, the GL
// size limit, and frames at different times.
#include <gtest/gtest.h>

#include "InputError.h"
#include "ParamParser.h"
#include "Renderer.h"

using namespace Corvane::Tessory::Cli;

namespace {

Image gradient(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / w);
            p[1] = static_cast<uint8_t>(y * 255 / h);
            p[2] = 128;
            p[3] = 255;
        }
    return image;
}

bool same(const Image& a, const Image& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.data(), a.data() + a.bytes(), b.data());
}

}  // namespace

TEST(RendererTest, RegisteredListAsTheParsersSeeIt) {
    Renderer renderer(TESSORY_PLUGIN_PATH);
    const ParamParser parser(renderer.params());
    ASSERT_EQ(parser.params().size(), 28u);
    const ParamInfo& shape = parser.find("shape type");
    EXPECT_EQ(shape.index, 1);
    EXPECT_EQ(shape.choices.size(), 8u);
    ASSERT_EQ(shape.choiceNames.size(), 9u);
    EXPECT_EQ(shape.choiceNames[8], "Chevron");
    EXPECT_EQ(parser.parse(shape, "t shape")[0], 8);

    EXPECT_EQ(parser.find("Instances").validMax, 20);
    EXPECT_EQ(parser.find("Instances").sliderMax, 10);
    EXPECT_TRUE(parser.find("Shadow Opacity").percent);
    EXPECT_EQ(parser.find("Shape Center").defaultValue[0], 50);
    EXPECT_FALSE(parser.find("Shape Rotation").hasValidRange);
    EXPECT_EQ(parser.parse(parser.find("Shape Rotation"), "-720")[0], -720);
    // Shown and hidden as a host shows them after the interface update.
    EXPECT_TRUE(parser.find("Stroke Size").hidden);
    EXPECT_TRUE(parser.find("Stroke Opacity").hidden);
    EXPECT_FALSE(parser.find("Shadow Size").hidden);
    EXPECT_THROW(parser.find("Echo"), InputError);  // a group
    EXPECT_NE(renderer.about().find("QX Tessory v1.0"), std::string::npos);
}

TEST(RendererTest, FramesBeyondTheTextureLimitAreRefused) {
    Renderer renderer(TESSORY_PLUGIN_PATH, false, "gl");
    const int limit = renderer.maxTextureSize();
    ASSERT_GE(limit, 2048);
    EXPECT_NO_THROW(renderer.checkFrameSize(limit, 16));
    EXPECT_THROW(renderer.checkFrameSize(limit + 1, 16), InputError);
    EXPECT_THROW(renderer.checkFrameSize(16, limit + 1), InputError);
    renderer.setDownsample(2);  // what counts is the size rendered
    EXPECT_NO_THROW(renderer.checkFrameSize(limit * 2, 16));
    EXPECT_THROW(renderer.setDownsample(0), InputError);
}

TEST(RendererTest, OutputSizeAndKeyframedChange) {
    Renderer renderer(TESSORY_PLUGIN_PATH);
    const ParamParser parser(renderer.params());
    const Image input = gradient(64, 40);
    const Image plain = renderer.render(input, 0, 30);
    EXPECT_EQ(plain.width(), 64);
    EXPECT_EQ(plain.height(), 40);

    renderer.setDownsample(2);
    const Image half = renderer.render(input, 0, 30);
    EXPECT_EQ(half.width(), 32);
    EXPECT_EQ(half.height(), 20);
    renderer.setDownsample(1);

    const int size = parser.find("Shape Size 1").index;
    renderer.setValue(parser.find("Fill Type").index, {2, 0, 0, 0});
    renderer.setKeyframes(size, {{0, {4, 0, 0, 0}}, {1, {30, 0, 0, 0}}});
    const Image start = renderer.render(input, 0, 30);
    const Image end = renderer.render(input, 1, 30);
    EXPECT_TRUE(same(start, renderer.render(input, 0, 30)));  // a time gives one picture
    EXPECT_FALSE(same(start, end));
    // A plain value replaces the keys.
    renderer.setValue(size, {30, 0, 0, 0});
    EXPECT_TRUE(same(end, renderer.render(input, 0, 30)));
}
