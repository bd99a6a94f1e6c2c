#pragma once
// Still pictures: PNG, JPEG, TIFF, DPX, OpenEXR and others, through FFmpeg's image codecs
// where it has them and through the OpenImageIO module for the rest.
#include <string>

#include "Host/PixelLimit.h"
#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class StillIO {
  public:
    // True when the file name's extension belongs to a still format (video containers are
    // left to the video path). Loads no library.
    static bool isStillName(const std::string& path);

    // Reads the first picture as 8-bit RGBA; grey and RGB files get an opaque alpha.
    // Throws InputError naming the file and the reason; a size over the limit is refused
    // from the header, before the picture is allocated.
    static Image read(const std::string& path, const Host::PixelLimit& limit = Host::PixelLimit());

    // Writes path (its format from the extension); alpha is kept where the format has it,
    // else the picture is flattened over black. displayName names the file in errors.
    static void write(const std::string& path, const Image& image, const std::string& displayName);
};

}  // namespace Corvane::Tessory::Cli
