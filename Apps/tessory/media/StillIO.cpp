#include "media/StillIO.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <utility>

#include "media/FfmpegStills.h"
#include "media/OiioStills.h"
#include "support/InputError.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace Corvane::Tessory::Cli {

namespace {

// Every still format, once. FFmpeg reads what it decodes (the format is then taken from the
// content); OpenImageIO, loaded only then, covers the rest.
struct StillFormat {
    std::string_view extensions;  // space-separated, lower case
    bool ffmpegReads;
    AVCodecID encoder;      // AV_CODEC_ID_NONE: OpenImageIO writes it
    AVPixelFormat written;  // what the encoder is given: without alpha, the picture flattened
};

constexpr StillFormat kFormats[] = {
    {"png", true, AV_CODEC_ID_PNG, AV_PIX_FMT_RGBA},
    // 4:4:4: a picture's colour edges stay where they were.
    {"jpg jpe jpeg jif jfif jfi", true, AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ444P},
    {"tif tiff", true, AV_CODEC_ID_TIFF, AV_PIX_FMT_RGBA},
    {"dpx", true, AV_CODEC_ID_DPX, AV_PIX_FMT_RGBA},
    {"bmp dib", true, AV_CODEC_ID_BMP, AV_PIX_FMT_BGR24},
    {"tga tpic", true, AV_CODEC_ID_TARGA, AV_PIX_FMT_BGRA},
    {"sgi rgb rgba bw", true, AV_CODEC_ID_SGI, AV_PIX_FMT_RGBA},
    {"ppm pnm", true, AV_CODEC_ID_PPM, AV_PIX_FMT_RGB24},
    // FFmpeg decodes OpenEXR, PSD, WebP and JPEG 2000 but has no encoder of its own.
    {"exr sxr mxr", true, AV_CODEC_ID_NONE, AV_PIX_FMT_NONE},
    {"psd pdd psb", true, AV_CODEC_ID_NONE, AV_PIX_FMT_NONE},
    {"webp", true, AV_CODEC_ID_NONE, AV_PIX_FMT_NONE},
    {"jp2 j2k j2c", true, AV_CODEC_ID_NONE, AV_PIX_FMT_NONE},
    {"hdr rgbe pgm pbm pfm cin dds dcm fits gif heic heif avif ico iff rla pic tx env dng cr2 "
     "cr3 nef arw raf orf rw2",
     false, AV_CODEC_ID_NONE, AV_PIX_FMT_NONE},
};

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

const StillFormat* formatOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return nullptr;
    for (const StillFormat& f : kFormats) {
        for (size_t at = 0; at < f.extensions.size();) {
            const size_t end = std::min(f.extensions.find(' ', at), f.extensions.size());
            if (f.extensions.substr(at, end - at) == ext) return &f;
            at = end + 1;
        }
    }
    return nullptr;
}

// The width and height of a PNG from its header; none when path is not a PNG.
std::optional<std::pair<int64_t, int64_t>> pngSize(const std::string& path) {
    unsigned char head[24] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head), sizeof head) ||
        std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) != 0) {
        return std::nullopt;
    }
    auto be32 = [&](int at) {
        return int64_t(head[at]) << 24 | int64_t(head[at + 1]) << 16 | int64_t(head[at + 2]) << 8 |
               int64_t(head[at + 3]);
    };
    return std::pair{be32(16), be32(20)};
}

}  // namespace

bool StillIO::isStillName(const std::string& path) {
    return formatOf(path) != nullptr;
}

Image StillIO::read(const std::string& path, const Host::PixelLimit& limit) {
    const StillFormat* format = formatOf(path);
    if (format && !format->ffmpegReads) return OiioStills::read(path, limit);
    // A PNG's size is in its first bytes: checked before either reader starts. One FFmpeg
    // can decode gets FFmpeg's answer, whatever it is.
    if (const auto size = pngSize(path)) {
        if (!limit.allows(size->first, size->second)) {
            throw InputError("input '" + path + "' is " +
                             limit.describe(size->first, size->second) + " (--max-pixels)");
        }
        if (!FfmpegStills::decodes(size->first, size->second)) return OiioStills::read(path, limit);
        return FfmpegStills::read(path, limit);
    }
    // Otherwise FFmpeg first, the format from the content. What it cannot decode (a
    // picture over its own size limit, a TIFF or JPEG variant it lacks, a damaged file)
    // goes to OpenImageIO, whose answer is the last word.
    try {
        return FfmpegStills::read(path, limit);
    } catch (const FfmpegStills::Undecodable&) {
        return OiioStills::read(path, limit);
    }
}

void StillIO::write(const std::string& path, const Image& image, const std::string& displayName) {
    const StillFormat* format = formatOf(path);
    const bool ffmpeg = format && format->encoder != AV_CODEC_ID_NONE;
    const AVPixFmtDescriptor* written = ffmpeg ? av_pix_fmt_desc_get(format->written) : nullptr;
    const bool alpha =
        ffmpeg ? (written->flags & AV_PIX_FMT_FLAG_ALPHA) != 0 : OiioStills::hasAlpha(path);
    const Image flat = alpha ? Image() : image.flattened();
    const Image& source = alpha ? image : flat;
    if (ffmpeg) {
        FfmpegStills::write(path, source, format->encoder, format->written, displayName);
    } else {
        OiioStills::write(path, source, displayName);
    }
}

}  // namespace Corvane::Tessory::Cli
