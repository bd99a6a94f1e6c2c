#include "support/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace Corvane::Tessory::Cli {

Progress::Progress(int64_t total, bool quiet, std::FILE* stream)
    : mTotal(total),
      mQuiet(quiet),
      mTerminal(isatty(fileno(stream)) != 0),
      mStream(stream),
      mStart(std::chrono::steady_clock::now()),
      mLastDraw(mStart) {}

std::string Progress::line(int64_t done, int64_t total, double seconds) {
    char text[160];
    const double fps = seconds > 0 ? done / seconds : 0;
    std::string out;
    if (total > 0) {
        constexpr int kBar = 30;
        const int filled = static_cast<int>(std::min<int64_t>(done, total) * kBar / total);
        out = "[" + std::string(filled, '#') + std::string(kBar - filled, '.') + "] ";
        std::snprintf(text, sizeof text, "%lld/%lld frames", static_cast<long long>(done),
                      static_cast<long long>(total));
    } else {
        std::snprintf(text, sizeof text, "%lld frames", static_cast<long long>(done));
    }
    out += text;
    std::snprintf(text, sizeof text, "  %.1f fps", fps);
    out += text;
    if (total > 0 && fps > 0 && done < total) {
        const long left = std::lround((total - done) / fps);
        std::snprintf(text, sizeof text, "  %ld:%02ld left", left / 60, left % 60);
        out += text;
    }
    return out;
}

void Progress::draw(bool final) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    const std::string text = line(mDone, final ? mDone : mTotal, seconds);
    // On a terminal the line is redrawn in place; in a log only the final line is kept.
    if (mTerminal) {
        std::fprintf(mStream, "\r%s\x1b[K%s", text.c_str(), final ? "\n" : "");
    } else if (final) {
        std::fprintf(mStream, "%s\n", text.c_str());
    }
    std::fflush(mStream);
}

void Progress::step() {
    ++mDone;
    if (mQuiet || !mTerminal) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - mLastDraw >= std::chrono::milliseconds(100)) {
        mLastDraw = now;
        draw(false);
    }
}

void Progress::finish() {
    if (mQuiet || mFinished) return;
    mFinished = true;
    draw(true);
}

}  // namespace Corvane::Tessory::Cli
