#pragma once
// Stills through FFmpeg's image codecs, which the program links for video anyway: reading
// and writing them costs no start-up of its own.
#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/pixfmt.h>
}

#include "Host/PixelLimit.h"
#include "media/Image.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

class FfmpegStills {
  public:
    /// A file FFmpeg does not know or cannot decode, as opposed to one that is missing,
    /// over the size limit or larger than memory: another reader may still know it.
    class Undecodable : public InputError {
      public:
        using InputError::InputError;
    };

    /// Decodes the first picture of path (its format from its content) and converts it
    /// once to straight 8-bit RGBA: 16-bit and float pictures, palettes, grey and JPEG's
    /// YCbCr included. Throws Undecodable or InputError naming the file; a size over limit is
    /// refused when the decoder asks for the frame, before it is allocated.
    static Image read(const std::string& path, const Host::PixelLimit& limit);
    /// Whether FFmpeg decodes a picture of that size at all (its own limit is about 2^28
    /// pixels).
    static bool decodes(int64_t width, int64_t height);
    /// Encodes image with encoder from pixels converted to format (an opaque format takes
    /// the colour alone: the caller flattens) and writes the file; throws InputError naming
    /// displayName.
    static void write(const std::string& path, const Image& image, AVCodecID encoder,
                      AVPixelFormat format, const std::string& displayName);
};

}  // namespace Corvane::Tessory::Cli
