#pragma once
// A 5x7 pixel font built in, so labels need no font files on the machine. Capital letters,
// digits and a little punctuation; small letters are drawn as capitals.
#include <string_view>

#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class BitmapFont {
  public:
    static constexpr int kGlyphWidth = 5;
    static constexpr int kGlyphHeight = 7;
    static constexpr int kAdvance = 6;  // glyph and one column of space

    // Whether c has a glyph of its own (anything else is drawn as a box).
    static bool has(char c);
    // Width in pixels of text drawn at the given scale.
    static int textWidth(std::string_view text, int scale);
    // Draws text with its top left corner at (x, y), each font pixel a scale x scale block.
    static void draw(Image& image, int x, int y, std::string_view text, int scale, uint8_t r,
                     uint8_t g, uint8_t b);
};

}  // namespace Corvane::Tessory::Cli
