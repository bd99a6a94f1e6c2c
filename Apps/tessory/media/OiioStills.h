#pragma once
// The OpenImageIO still module, loaded the first time a format that only it covers is read
// or written, and kept for the rest of the process.
#include <string>

#include "Host/PixelLimit.h"
#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class OiioStills {
  public:
    /// Reads the first subimage as straight 8-bit RGBA; throws InputError naming the file
    /// and the reason, the size refused from the header when it is over limit.
    static Image read(const std::string& path, const Host::PixelLimit& limit);
    /// Whether the format named by path's extension keeps alpha.
    static bool hasAlpha(const std::string& path);
    /// Writes image to path (the caller flattens for formats without alpha); throws
    /// InputError naming displayName.
    static void write(const std::string& path, const Image& image, const std::string& displayName);
};

}  // namespace Corvane::Tessory::Cli
