#include "StillIO.h"

#include <OpenImageIO/imageio.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "InputError.h"

namespace Corvane::Tessory::Cli {

namespace {

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string oiioError() {
    std::string e = OIIO::geterror();
    std::replace(e.begin(), e.end(), '\n', ' ');
    while (!e.empty() && e.back() == ' ') e.pop_back();
    return e.empty() ? "unknown error" : e;
}

// libpng writes its own complaints straight to stderr; the reader reports the error
// itself, in one line, so those are silenced while a file is read.
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
bool pngEndsEarly(const std::string& path) {
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

}  // namespace

bool StillIO::isStillName(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return false;
    for (const auto& [format, extensions] : OIIO::get_extension_map()) {
        if (format == "ffmpeg") continue;
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) {
            return true;
        }
    }
    return false;
}

Image StillIO::read(const std::string& path, const Host::PixelLimit& limit) {
    if (pngEndsEarly(path)) {
        throw InputError("cannot read input '" + path + "': the PNG ends before its last chunk");
    }
    QuietStderr quiet;
    // Straight alpha as stored: colour under transparent pixels survives the round trip.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        throw InputError("cannot read input '" + path + "': " + oiioError());
    }
    const OIIO::ImageSpec& layout = in->spec();
    const int w = layout.width, h = layout.height, n = layout.nchannels;
    if (w <= 0 || h <= 0 || n <= 0) {
        throw InputError("cannot read input '" + path + "': empty picture");
    }
    // The header's size, checked before anything of that size exists.
    if (!limit.allows(w, h)) {
        throw InputError("input '" + path + "' is " + limit.describe(w, h) + " (--max-pixels)");
    }
    const int alpha =
        layout.alpha_channel >= 0 ? layout.alpha_channel : (n == 2 || n >= 4 ? n - 1 : -1);
    Image image;
    try {
        image = Image(w, h);
    } catch (const std::bad_alloc&) {
        throw InputError("cannot read input '" + path + "': not enough memory for a " +
                         std::to_string(w) + "x" + std::to_string(h) + " picture");
    }
    // A few rows at a time through a small buffer: the picture fills as the data comes, so
    // a file that runs out of data fails at once, having held only what it had.
    const int rows = std::max(1, std::min(h, (1 << 20) / std::max(1, w * n)));
    std::vector<uint8_t> strip(static_cast<size_t>(w) * rows * n);
    for (int y0 = 0; y0 < h; y0 += rows) {
        const int y1 = std::min(h, y0 + rows);
        if (!in->read_scanlines(0, 0, y0, y1, 0, 0, n, OIIO::TypeDesc::UINT8, strip.data())) {
            std::string e = in->geterror();
            std::replace(e.begin(), e.end(), '\n', ' ');
            throw InputError("cannot read input '" + path + "': " + (e.empty() ? oiioError() : e));
        }
        for (size_t i = 0, count = static_cast<size_t>(w) * (y1 - y0); i < count; ++i) {
            const uint8_t* src = strip.data() + i * n;
            uint8_t* d = image.pixel(0, y0) + i * 4;
            if (n < 3) {
                d[0] = d[1] = d[2] = src[0];
            } else {
                d[0] = src[0];
                d[1] = src[1];
                d[2] = src[2];
            }
            d[3] = alpha >= 0 ? src[alpha] : 255;
        }
    }
    in->close();
    return image;
}

void StillIO::write(const std::string& path, const Image& image, const std::string& displayName) {
    auto out = OIIO::ImageOutput::create(path);
    if (!out) {
        throw InputError("cannot write output '" + displayName + "': " + oiioError());
    }
    const bool alpha = out->supports("alpha");
    const Image flat = alpha ? Image() : image.flattened();
    const Image& source = alpha ? image : flat;
    OIIO::ImageSpec layout(image.width(), image.height(), 4, OIIO::TypeDesc::UINT8);
    layout.alpha_channel = 3;
    layout.attribute("oiio:UnassociatedAlpha", 1);
    std::vector<uint8_t> rgb;
    const void* pixels = source.data();
    if (!alpha) {
        layout = OIIO::ImageSpec(image.width(), image.height(), 3, OIIO::TypeDesc::UINT8);
        rgb.resize(static_cast<size_t>(image.width()) * image.height() * 3);
        for (size_t i = 0, count = rgb.size() / 3; i < count; ++i) {
            std::copy_n(source.data() + i * 4, 3, rgb.data() + i * 3);
        }
        pixels = rgb.data();
    }
    if (!out->open(path, layout) || !out->write_image(OIIO::TypeDesc::UINT8, pixels) ||
        !out->close()) {
        std::string e = out->geterror();
        std::replace(e.begin(), e.end(), '\n', ' ');
        throw InputError("cannot write output '" + displayName + "': " + e);
    }
}

}  // namespace Corvane::Tessory::Cli
