#include "BenchSupport.h"

#include <glbinding/gl/gl.h>
#include <sys/resource.h>

#include <algorithm>

namespace Corvane::Tessory::Bench {

using namespace gl;

void fillGradient(Host::Layer& layer, uint8_t alpha) {
    const int w = layer.width();
    const int h = layer.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            PF_Pixel& p = layer.pixel8(x, y);
            p.alpha = alpha;
            p.red = static_cast<A_u_char>(x * 255 / std::max(1, w - 1));
            p.green = static_cast<A_u_char>(y * 255 / std::max(1, h - 1));
            p.blue = static_cast<A_u_char>((x + y) & 0xFF);
        }
    }
}

bool anyNonZero(const Host::Layer& layer) {
    for (int y = 0; y < layer.height(); ++y) {
        const uint8_t* row = layer.row(y);
        if (std::any_of(row, row + static_cast<ptrdiff_t>(layer.width()) * 4,
                        [](uint8_t b) { return b != 0; })) {
            return true;
        }
    }
    return false;
}

int targetSamples() {
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    return std::min(8, std::max(1, static_cast<int>(maxSamples)));
}

uint64_t frameGLBytes(int width, int height, int samples) {
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint64_t input = pixels * 16;  // GL_RGBA32F
    const uint64_t target = pixels * 4 * static_cast<uint64_t>(samples);
    const uint64_t resolved = pixels * 4;
    const uint64_t output = pixels * 4;
    return input + target + resolved + output;
}

std::string rendererString() {
    auto text = [](GLenum name) {
        const GLubyte* s = glGetString(name);
        return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("unknown");
    };
    return text(GL_RENDERER) + " | " + text(GL_VERSION);
}

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace Corvane::Tessory::Bench
