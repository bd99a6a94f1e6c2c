#pragma once
// How a video's YUV samples mean colours: matrix, range, primaries and transfer, as the
// container or stream tags them. The reader reports the input's, the writer converts with
// and tags the output with them, so colours come back as they went in.
extern "C" {
#include <libavutil/pixfmt.h>
}

namespace Corvane::Tessory::Cli {

struct VideoColour {
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;

    /// Untagged parts filled in as players assume them for a picture of that height: BT.709
    /// from 720 lines up, BT.601 below; limited range.
    VideoColour resolved(int height) const;
    /// What a picture without tags (a still, the built-in demo) becomes: BT.709, limited.
    static VideoColour standard();
};

}  // namespace Corvane::Tessory::Cli
