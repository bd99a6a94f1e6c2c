// Pixel transfer between host image buffers and GL, for 8, 16 and 32 bits per channel.
#pragma once

#include <glbinding/gl/types.h>

#include <string>

#include "AE_Effect.h"
#include "PixelFormat.h"

namespace Corvane::Tessory {

class AEOpenGLUtilities {
  public:
    AEOpenGLUtilities() = delete;

    /// Pixel format codes: four characters, lowest byte first ("argb", "ae16", "ae32").
    static constexpr int kFormat8 = PF_PixelFormat_ARGB32;
    static constexpr int kFormat16 = PF_PixelFormat_ARGB64;
    static constexpr int kFormat32 = PF_PixelFormat_ARGB128;

    /// A new GL_RGBA32F texture of the input's size whose r, g, b, a slots hold the host's
    /// alpha, red, green, blue (caller owns it). 8- and 16-bit rows go to GL as they are,
    /// padding skipped by the unpack row length; 32-bit pixels are packed first. Sets the
    /// bytes per pixel, GL type and 16-bit multiplier of the format. Throws 516 for an
    /// unknown format, the iterator's error or 13 for a missing suite.
    static unsigned int UploadTexture(int format, PF_LayerDef* input, PF_LayerDef* output,
                                      PF_InData* in_data, unsigned long& size, gl::GLenum& type,
                                      float& multiplier16bit, bool mipmaps);
    /// Reads width x height from the bound framebuffer's first colour attachment into the
    /// output buffer, row by row. Throws 4 when the host cannot allocate, 516 for an
    /// unknown format; the host handle is given back on every path.
    static void DownloadTexture(uint32_t width, uint32_t height, PF_LayerDef* input,
                                PF_LayerDef* output, PF_InData* in_data, int format,
                                unsigned long size, gl::GLenum type);

    /// Float iterator callbacks; refcon is a FloatCopy.
    static PF_Err CopyPixelFloatIn(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                                   PF_PixelFloat* out);
    static PF_Err CopyPixelFloatOut(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                                    PF_PixelFloat* out);

    /// The bound framebuffer's status as text ("OK" when complete).
    static std::string CheckFramebufferStatus();

    /// The packed buffer and the layer whose width is its row length.
    struct FloatCopy {
        PF_PixelFloat* buffer;
        PF_LayerDef* layer;
    };
};

}  // namespace Corvane::Tessory
