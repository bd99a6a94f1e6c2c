#pragma once
// The built-in input picture: a colour gradient background, a checkerboard and a colour
// wheel, with a label in one corner, so cut edges, echoes and mirrored addressing are easy
// to tell apart.
#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class DemoPicture {
  public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    // Made in code; any size works, the layout scales with it.
    static Image make(int width = kWidth, int height = kHeight);
};

}  // namespace Corvane::Tessory::Cli
