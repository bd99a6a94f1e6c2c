#pragma once
// Still pictures through OpenImageIO: PNG, JPEG, TIFF, OpenEXR and whatever else it reads.
#include <string>

#include "Host/PixelLimit.h"
#include "Image.h"

namespace Corvane::Tessory::Cli {

class StillIO {
  public:
    // True when the file name's extension belongs to a still format that can be written
    // (video containers, which OpenImageIO may also read, are left to the video path).
    static bool isStillName(const std::string& path);

    // Reads the first subimage as 8-bit RGBA; grey and RGB files get an opaque alpha.
    // Throws InputError naming the file and the reason; a size over the limit is refused
    // from the header, before the picture is allocated.
    static Image read(const std::string& path, const Host::PixelLimit& limit = Host::PixelLimit());

    // Writes path (its format from the extension); alpha is kept where the format has it,
    // else the picture is flattened over black. displayName names the file in errors.
    static void write(const std::string& path, const Image& image, const std::string& displayName);
};

}  // namespace Corvane::Tessory::Cli
