#pragma once
// The functions of the OpenImageIO still module, by the names the program looks up. The
// module is loaded only for the formats that FFmpeg does not cover: OpenImageIO and the
// libraries it brings cost a start-up of their own (about 0.4 s), which a program that
// never touches such a file should not pay. C linkage and plain types: the module and the
// program share no C++ objects.
#include <cstddef>
#include <cstdint>

extern "C" {

/// Called by the reader with the picture's size from its header, before any pixel is
/// decoded: returns where the width x height 8-bit RGBA pixels go, or null to stop the read.
using TessoryStillAllocate = uint8_t* (*)(void* context, int width, int height);

/// Reads the first subimage of path as straight 8-bit RGBA (grey and RGB files opaque).
/// False on failure, with the reason in error (empty when allocate refused).
using TessoryStillRead = bool (*)(const char* path, TessoryStillAllocate allocate, void* context,
                                  char* error, size_t errorSize);

/// Whether the format that path's extension names keeps alpha.
using TessoryStillHasAlpha = bool (*)(const char* path);

/// Writes width x height straight 8-bit RGBA pixels to path, its format from the
/// extension; a format without alpha gets the colour alone (the caller flattens). False,
/// with the reason in error, on failure.
using TessoryStillWrite = bool (*)(const char* path, int width, int height, const uint8_t* rgba,
                                   char* error, size_t errorSize);
}

namespace Corvane::Tessory::Cli::OiioStillAbi {
inline constexpr const char* kModuleName = "tessory-stills-oiio.so";
inline constexpr const char* kReadSymbol = "tessory_still_read";
inline constexpr const char* kHasAlphaSymbol = "tessory_still_has_alpha";
inline constexpr const char* kWriteSymbol = "tessory_still_write";
}  // namespace Corvane::Tessory::Cli::OiioStillAbi
