// Scratch folders, running programs and reading files: what the tests that drive the real
// programs share.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace Corvane::Tessory::Testing {

/// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessory-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        mPath = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(mPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return (mPath / name).string(); }
    const std::filesystem::path& path() const { return mPath; }
    size_t entries() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(mPath), {}));
    }

  private:
    std::filesystem::path mPath;
};

struct Result {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;  // stdout
};

/// Runs a shell command line, returning its exit status and standard output.
inline Result run(const std::string& command) {
    Result r;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

/// Single quotes for the shell.
inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<uint8_t> bytes(const std::string& path) {
    const std::string text = contents(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

/// A picture's RGBA bytes, as FFmpeg reads it; empty when it cannot.
inline std::vector<uint8_t> rgba(const std::string& path) {
    const Result r =
        run("ffmpeg -nostdin -v error -i " + quote(path) + " -f rawvideo -pix_fmt rgba -");
    if (r.status != 0) return {};
    return std::vector<uint8_t>(r.out.begin(), r.out.end());
}

/// Pixels of two RGBA pictures with a channel more than 2/255 apart; -1 when the sizes differ.
inline long farPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return -1;
    long far = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        for (size_t c = 0; c < 4; ++c) {
            if (std::abs(int(a[i + c]) - int(b[i + c])) > 2) {
                ++far;
                break;
            }
        }
    }
    return far;
}

}  // namespace Corvane::Tessory::Testing
