#include "media/VideoColour.h"

namespace Corvane::Tessory::Cli {

VideoColour VideoColour::resolved(int height) const {
    VideoColour c = *this;
    const bool hd = height >= 720;
    if (c.matrix == AVCOL_SPC_UNSPECIFIED) c.matrix = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    if (c.range == AVCOL_RANGE_UNSPECIFIED) c.range = AVCOL_RANGE_MPEG;
    return c;
}

VideoColour VideoColour::standard() {
    return VideoColour{AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, AVCOL_PRI_BT709, AVCOL_TRC_BT709};
}

}  // namespace Corvane::Tessory::Cli
