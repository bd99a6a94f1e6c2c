// The OpenImageIO still module: the formats FFmpeg has no codec for (OpenEXR out, WebP,
// JPEG 2000, HDR, PSD and others), behind the plain functions of OiioStillAbi.h.
#include <OpenImageIO/imageio.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/OiioStillAbi.h"

namespace {

void report(const std::string& why, char* error, size_t errorSize) {
    std::string line = why.empty() ? "unknown error" : why;
    std::replace(line.begin(), line.end(), '\n', ' ');
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::snprintf(error, errorSize, "%s", line.c_str());
}

// Some of the format libraries write their complaints straight to stderr; the program
// reports the error itself, in one line, so those are silenced while a file is read.
class QuietStderr {
  public:
    QuietStderr() {
        std::fflush(stderr);
        mSaved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (mSaved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        if (mSaved >= 0) {
            ::dup2(mSaved, STDERR_FILENO);
            ::close(mSaved);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int mSaved = -1;
};

// OpenImageIO 2.4.7 (Debian 12) leaks a few bytes when a PNG ends inside its chunks: its
// read callback takes the error text as a std::string and then calls png_error, which
// longjmps past the string's destructor. Such a file is refused here before it is decoded:
// true when the file is a PNG whose chunks run past its end before IEND.
bool pngEndsEarly(const char* path) {
    std::ifstream in(path, std::ios::binary);
    char signature[8] = {};
    if (!in.read(signature, 8) || std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) != 0) return false;
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    for (uint64_t at = 8; at + 12 <= size;) {
        unsigned char header[8];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(header), 8)) return true;
        const uint64_t length = uint64_t(header[0]) << 24 | uint64_t(header[1]) << 16 |
                                uint64_t(header[2]) << 8 | header[3];
        if (std::memcmp(header + 4, "IEND", 4) == 0) return false;
        at += 12 + length;
    }
    return true;
}

bool read(const char* path, TessoryStillAllocate allocate, void* context, char* error,
          size_t errorSize) {
    if (pngEndsEarly(path)) {
        report("the PNG ends before its last chunk", error, errorSize);
        return false;
    }
    QuietStderr quiet;
    // Straight alpha as stored: colour under transparent pixels survives the round trip.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        report(OIIO::geterror(), error, errorSize);
        return false;
    }
    const OIIO::ImageSpec& layout = in->spec();
    const int w = layout.width, h = layout.height, n = layout.nchannels;
    if (w <= 0 || h <= 0 || n <= 0) {
        report("empty picture", error, errorSize);
        return false;
    }
    uint8_t* pixels = allocate(context, w, h);
    if (!pixels) {
        error[0] = '\0';
        return false;
    }
    const int alpha =
        layout.alpha_channel >= 0 ? layout.alpha_channel : (n == 2 || n >= 4 ? n - 1 : -1);
    // A few rows at a time through a small buffer: the picture fills as the data comes, so
    // a file that runs out of data fails at once, having held only what it had.
    const int rows = std::max(1, std::min(h, (1 << 20) / std::max(1, w * n)));
    std::vector<uint8_t> strip(static_cast<size_t>(w) * rows * n);
    for (int y0 = 0; y0 < h; y0 += rows) {
        const int y1 = std::min(h, y0 + rows);
        if (!in->read_scanlines(0, 0, y0, y1, 0, 0, n, OIIO::TypeDesc::UINT8, strip.data())) {
            const std::string e = in->geterror();
            report(e.empty() ? OIIO::geterror() : e, error, errorSize);
            return false;
        }
        uint8_t* d = pixels + static_cast<size_t>(y0) * w * 4;
        for (size_t i = 0, count = static_cast<size_t>(w) * (y1 - y0); i < count; ++i, d += 4) {
            const uint8_t* src = strip.data() + i * n;
            d[0] = src[0];
            d[1] = src[n < 3 ? 0 : 1];
            d[2] = src[n < 3 ? 0 : 2];
            d[3] = alpha >= 0 ? src[alpha] : 255;
        }
    }
    in->close();
    return true;
}

bool write(const char* path, int width, int height, const uint8_t* rgba, char* error,
           size_t errorSize) {
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        report(OIIO::geterror(), error, errorSize);
        return false;
    }
    const bool alpha = out->supports("alpha");
    const int channels = alpha ? 4 : 3;
    OIIO::ImageSpec layout(width, height, channels, OIIO::TypeDesc::UINT8);
    std::vector<uint8_t> rgb;
    const uint8_t* pixels = rgba;
    if (alpha) {
        layout.alpha_channel = 3;
        layout.attribute("oiio:UnassociatedAlpha", 1);
    } else {
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0, count = rgb.size() / 3; i < count; ++i) {
            std::copy_n(rgba + i * 4, 3, rgb.data() + i * 3);
        }
        pixels = rgb.data();
    }
    if (!out->open(path, layout) || !out->write_image(OIIO::TypeDesc::UINT8, pixels) ||
        !out->close()) {
        report(out->geterror(), error, errorSize);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) bool tessory_still_read(const char* path,
                                                               TessoryStillAllocate allocate,
                                                               void* context, char* error,
                                                               size_t errorSize) {
    return read(path, allocate, context, error, errorSize);
}

__attribute__((visibility("default"))) bool tessory_still_has_alpha(const char* path) {
    auto out = OIIO::ImageOutput::create(path);
    return out && out->supports("alpha");
}

__attribute__((visibility("default"))) bool tessory_still_write(const char* path, int width,
                                                                int height, const uint8_t* rgba,
                                                                char* error, size_t errorSize) {
    return write(path, width, height, rgba, error, errorSize);
}
}
