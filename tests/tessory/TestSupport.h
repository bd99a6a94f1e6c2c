#pragma once
// Scratch folders, running programs and asking ffprobe, shared by the tests.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace TessoryTest {

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/tessory-test-XXXXXX";
        mPath = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(mPath); }
    std::string operator/(const std::string& name) const { return (mPath / name).string(); }
    const std::filesystem::path& path() const { return mPath; }
    size_t entries() const {
        size_t n = 0;
        for (auto it = std::filesystem::directory_iterator(mPath);
             it != std::filesystem::directory_iterator(); ++it)
            ++n;
        return n;
    }

  private:
    std::filesystem::path mPath;
};

struct Result {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;  // stdout
};

// Runs a shell command line, returning its exit status and standard output.
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

inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// ffprobe's value of one entry for one stream ("v:0", "a:0"), trimmed; counts frames.
inline std::string probe(const std::string& file, const std::string& stream,
                         const std::string& entry) {
    const std::string count = entry == "nb_read_frames" ? " -count_frames" : "";
    std::string out = run("ffprobe -v error" + count + " -select_streams " + stream +
                          " -show_entries stream=" + entry + " -of csv=p=0 " + quote(file))
                          .out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ',' || out.back() == ' '))
        out.pop_back();
    return out;
}

inline std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A small test clip: testsrc at size and rate, frames long, with a sine tone when audio.
inline bool makeClip(const std::string& path, int frames, bool audio = true,
                     const std::string& size = "160x120", int rate = 10) {
    std::string cmd =
        "ffmpeg -v error -y -f lavfi -i testsrc=size=" + size + ":rate=" + std::to_string(rate);
    if (audio) cmd += " -f lavfi -i sine=frequency=440:sample_rate=22050";
    // A duration rather than a frame count, which would end the audio early.
    cmd += " -t " + std::to_string(double(frames) / rate) + " -pix_fmt yuv420p";
    if (audio) cmd += " -c:a aac";
    cmd += " " + quote(path) + " 2>&1";
    return run(cmd).status == 0;
}

}  // namespace TessoryTest
