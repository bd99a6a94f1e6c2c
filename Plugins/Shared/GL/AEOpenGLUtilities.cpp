#include "GL/AEOpenGLUtilities.h"

#include <glbinding/gl/gl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "AE_EffectSuites.h"
#include "GL/GLObject.h"
#include "Helper/SuiteScoper.h"
#include "PixelFormat.h"

using namespace gl;

namespace Corvane::Tessory {
namespace {

constexpr float kMultiplier16 = 65535.0f / 32768.0f;

// A host that answers success with a null table has no suite for us either.
template <typename T>
const T* table(const SuiteScoper<T>& suite) {
    if (!suite.get()) throw static_cast<A_Err>(A_Err_MISSING_SUITE);
    return suite.get();
}

// The first pixel's address from the host's callback; its error, or 516 for no address,
// is thrown instead of writing through a null pointer.
template <typename Pixel, typename GetPixels>
unsigned char* firstPixel(GetPixels getPixels, PF_LayerDef* layer) {
    Pixel* first = nullptr;
    const PF_Err err = getPixels(layer, nullptr, &first);
    if (err != PF_Err_NONE) throw static_cast<A_Err>(err);
    if (!first) throw static_cast<A_Err>(PF_Err_BAD_CALLBACK_PARAM);
    return reinterpret_cast<unsigned char*>(first);
}

// Runs the host's float iterator over src with one of the copy callbacks.
void iterateFloat(PF_InData* in_data, PF_LayerDef* src, PF_LayerDef* dst,
                  AEOpenGLUtilities::FloatCopy& copy, PF_IteratePixelFloatFunc fn) {
    SuiteScoper<PF_iterateFloatSuite1> iterate(in_data, kPFIterateFloatSuite, 1);
    const PF_Err err =
        table(iterate)->iterate(in_data, 0, src->height, src, nullptr, &copy, fn, dst);
    if (err != PF_Err_NONE) throw static_cast<A_Err>(err);
}

// The host's handle for the read-back, given back however the download ends.
class HostHandle {
  public:
    HostHandle(PF_InData* in_data, uint64_t bytes)
        : mSuite(in_data, kPFHandleSuite, 2), mHandle(table(mSuite)->host_new_handle(bytes)) {
        if (!mHandle) throw static_cast<A_Err>(PF_Err_OUT_OF_MEMORY);
        mData = mSuite->host_lock_handle(mHandle);
        if (!mData) {
            mSuite->host_dispose_handle(mHandle);
            throw static_cast<A_Err>(PF_Err_OUT_OF_MEMORY);
        }
    }
    ~HostHandle() {
        mSuite->host_unlock_handle(mHandle);
        mSuite->host_dispose_handle(mHandle);
    }
    HostHandle(const HostHandle&) = delete;
    HostHandle& operator=(const HostHandle&) = delete;
    unsigned char* data() const { return static_cast<unsigned char*>(mData); }

  private:
    SuiteScoper<PF_HandleSuite1> mSuite;
    PF_Handle mHandle;
    void* mData = nullptr;
};

// Copies each output row from the packed read buffer (row length `width`), asking the
// host for the first pixel's address once per row, as hosts expect of this callback. Every
// address is asked for before any row is written, so a host that fails partway leaves
// the output as it was.
template <typename Pixel, typename GetPixels>
void copyRows(const unsigned char* read, uint32_t width, PF_LayerDef* output, GetPixels getPixels) {
    constexpr size_t kBytes = sizeof(Pixel);
    const size_t rowBytes = static_cast<size_t>(output->width) * kBytes;
    std::vector<unsigned char*> rows(static_cast<size_t>(std::max<A_long>(output->height, 0)));
    for (size_t y = 0; y < rows.size(); ++y) {
        rows[y] = firstPixel<Pixel>(getPixels, output) +
                  y * static_cast<size_t>(output->rowbytes) / kBytes * kBytes;
    }
    for (size_t y = 0; y < rows.size(); ++y) {
        std::memcpy(rows[y], read + y * width * kBytes, rowBytes);
    }
}

}  // namespace

unsigned int AEOpenGLUtilities::UploadTexture(int format, PF_LayerDef* input,
                                              PF_LayerDef* /*output*/, PF_InData* in_data,
                                              unsigned long& size, GLenum& type,
                                              float& multiplier16bit, bool mipmaps) {
    // Deleted again if the upload fails; the caller owns it once it is returned.
    GLTexture texture = GLTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    static_cast<GLint>(mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GL_LINEAR));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(GL_CLAMP_TO_EDGE));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(GL_CLAMP_TO_EDGE));
    const GLsizei width = input->width;
    const GLsizei height = input->height;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(GL_RGBA32F), width, height, 0, GL_RGBA,
                 GL_FLOAT, nullptr);
    multiplier16bit = 1.0f;

    // A failed upload leaves no texture behind.
    auto fail = [&](A_Err err) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
        texture.reset();
        throw err;
    };
    try {
        switch (format) {
            case PF_PixelFormat_ARGB32: {
                type = GL_UNSIGNED_BYTE;
                size = 4;
                glPixelStorei(GL_UNPACK_ROW_LENGTH, input->rowbytes >> 2);
                unsigned char* pixels =
                    firstPixel<PF_Pixel8>(in_data->utils->get_pixel_data8, input);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                                pixels);
                break;
            }
            case PF_PixelFormat_ARGB64: {
                type = GL_UNSIGNED_SHORT;
                size = 8;
                multiplier16bit = kMultiplier16;
                glPixelStorei(GL_UNPACK_ROW_LENGTH, input->rowbytes >> 3);
                unsigned char* pixels =
                    firstPixel<PF_Pixel16>(in_data->utils->get_pixel_data16, input);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_SHORT,
                                pixels);
                break;
            }
            case PF_PixelFormat_ARGB128: {
                type = GL_FLOAT;
                size = 16;
                const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
                std::unique_ptr<PF_PixelFloat[]> buffer(new (std::nothrow) PF_PixelFloat[count]);
                if (!buffer) throw static_cast<A_Err>(PF_Err_OUT_OF_MEMORY);
                FloatCopy copy{buffer.get(), input};
                iterateFloat(in_data, input, input, copy, CopyPixelFloatIn);
                glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT,
                                buffer.get());
                break;
            }
            default:
                throw static_cast<A_Err>(PF_Err_BAD_CALLBACK_PARAM);
        }
    } catch (A_Err err) {
        fail(err);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture.release();
}

void AEOpenGLUtilities::DownloadTexture(uint32_t width, uint32_t height, PF_LayerDef* input,
                                        PF_LayerDef* output, PF_InData* in_data, int format,
                                        unsigned long size, GLenum type) {
    if (format != PF_PixelFormat_ARGB32 && format != PF_PixelFormat_ARGB64 &&
        format != PF_PixelFormat_ARGB128) {
        throw static_cast<A_Err>(PF_Err_BAD_CALLBACK_PARAM);
    }
    const uint32_t pixels = width * height;
    HostHandle read(in_data, static_cast<uint64_t>(pixels) * size);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, type,
                 read.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (format == PF_PixelFormat_ARGB32) {
        copyRows<PF_Pixel8>(read.data(), width, output, in_data->utils->get_pixel_data8);
    } else if (format == PF_PixelFormat_ARGB64) {
        copyRows<PF_Pixel16>(read.data(), width, output, in_data->utils->get_pixel_data16);
    } else {
        FloatCopy copy{reinterpret_cast<PF_PixelFloat*>(read.data()), input};
        iterateFloat(in_data, input, output, copy, CopyPixelFloatOut);
    }
}

PF_Err AEOpenGLUtilities::CopyPixelFloatIn(void* refcon, A_long x, A_long y, PF_PixelFloat* in,
                                           PF_PixelFloat* /*out*/) {
    auto* copy = static_cast<FloatCopy*>(refcon);
    copy->buffer[static_cast<size_t>(y) * copy->layer->width + x] = *in;
    return PF_Err_NONE;
}

PF_Err AEOpenGLUtilities::CopyPixelFloatOut(void* refcon, A_long x, A_long y, PF_PixelFloat* /*in*/,
                                            PF_PixelFloat* out) {
    auto* copy = static_cast<FloatCopy*>(refcon);
    *out = copy->buffer[static_cast<size_t>(y) * copy->layer->width + x];
    return PF_Err_NONE;
}

std::string AEOpenGLUtilities::CheckFramebufferStatus() {
    switch (glCheckFramebufferStatus(GL_FRAMEBUFFER)) {
        case GL_FRAMEBUFFER_COMPLETE:
            return "OK";
        case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
            return "Framebuffer incomplete, incomplete attachment!";
        case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
            return "Framebuffer incomplete, missing attachment!";
        case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
            return "Framebuffer incomplete, missing draw buffer!";
        case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
            return "Framebuffer incomplete, missing read buffer!";
        case GL_FRAMEBUFFER_UNSUPPORTED:
            return "Unsupported framebuffer format!";
        default:
            return "Unknown error!";
    }
}

}  // namespace Corvane::Tessory
