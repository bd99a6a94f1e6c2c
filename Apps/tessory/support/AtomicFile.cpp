#include "support/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

namespace fs = std::filesystem;

void AtomicFile::checkTarget(const std::string& target) {
    if (target.empty()) {
        throw InputError("no output file given");
    }
    const fs::path path(target);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw InputError("cannot write output '" + target + "': it is a directory");
    }
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) {
        throw InputError("cannot write output '" + target + "': no folder " + dir.string());
    }
}

AtomicFile::AtomicFile(std::string target) : mTarget(std::move(target)) {
    checkTarget(mTarget);
    const fs::path path(mTarget);
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0;; ++attempt) {
        // Hidden and unique, ending in the target's own extension.
        const std::string name = "." + path.stem().string() + ".tmp" + std::to_string(getpid()) +
                                 "-" + std::to_string(random() % 1000000) +
                                 path.extension().string();
        const std::string temp = (dir / name).string();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            mTemp = temp;
            return;
        }
        if (errno != EEXIST || attempt > 20) {
            throw InputError("cannot write output '" + mTarget + "': " + std::strerror(errno));
        }
    }
}

AtomicFile::~AtomicFile() {
    if (!mCommitted && !mTemp.empty()) {
        ::unlink(mTemp.c_str());
    }
}

void AtomicFile::commit() {
    if (std::rename(mTemp.c_str(), mTarget.c_str()) != 0) {
        throw InputError("cannot write output '" + mTarget + "': " + std::strerror(errno));
    }
    mCommitted = true;
}

}  // namespace Corvane::Tessory::Cli
