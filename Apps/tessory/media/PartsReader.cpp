#include "media/PartsReader.h"

#include <filesystem>

#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

PartsReader::PartsReader(std::vector<std::string> paths) : mPaths(std::move(paths)) {
    if (mPaths.empty()) throw InputError("no rendered parts to join");
    open(0);
}

void PartsReader::open(size_t part) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(mPaths[part], ec)) {
        throw InputError("rendered part '" + mPaths[part] + "' is missing");
    }
    // The parts are this program's own lossless output: no size limit applies.
    mReader = std::make_unique<VideoReader>(mPaths[part], Host::PixelLimit(INT64_MAX));
    mPart = part;
}

bool PartsReader::read(VideoFrame& frame) {
    for (;;) {
        if (mReader->read(frame)) {
            frame.index = mIndex++;
            return true;
        }
        if (mPart + 1 >= mPaths.size()) return false;
        open(mPart + 1);
    }
}

}  // namespace Corvane::Tessory::Cli
