#pragma once
// Asking ffprobe and making clips, beside the shared scratch folders and program runs.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "Programs.h"

namespace TessoryTest {

using namespace Corvane::Tessory::Testing;

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

// `tessory render` of the demo picture into output for a long run of frames, started in
// the background with its output thrown away; the caller signals it and waits for it.
inline pid_t renderInBackground(const std::string& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execl(TESSORY_BINARY, "tessory", "--plugin", TESSORY_PLUGIN_PATH, "render", "-q", "-o",
              output.c_str(), "--frames", "0-100000", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

}  // namespace TessoryTest
