// Renders frames of one size through the render command and prints, as one JSON object,
// the process's peak resident memory, the same peak before the first frame, and the GL
// storage the frame path holds. One process per frame size keeps the peaks apart.
//
//   tessory_bench_memory WIDTH HEIGHT [INSTANCES [FRAMES]]
#include <glbinding/gl/gl.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "GL/AEOpenGLContext.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/Layer.h"
#include "Host/PluginModule.h"

int main(int argc, char** argv) {
    using namespace Corvane::Tessory;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT [INSTANCES [FRAMES]]\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const int instances = argc > 3 ? std::atoi(argv[3]) : 5;
    const int frames = argc > 4 ? std::atoi(argv[4]) : 3;
    if (width <= 0 || height <= 0 || instances < 1 || frames < 1) {
        std::fprintf(stderr, "sizes, instances and frames must be positive\n");
        return 2;
    }
    try {
        std::string renderer;
        int samples = 0;
        {
            AEOpenGLContext probe(nullptr);
            renderer = Bench::rendererString();
            samples = Bench::targetSamples();
        }
        Host::HostApp host;
        Host::PluginModule module(Host::PluginModule::defaultPath());
        Host::EffectInstance effect(host, module);
        if (effect.globalSetup() != PF_Err_NONE || effect.paramsSetup() != PF_Err_NONE) {
            std::fprintf(stderr, "the module refused set-up\n");
            return 1;
        }
        effect.setValue(effect.findParam("Instances"), {static_cast<double>(instances), 0, 0, 0});
        Host::Layer input(width, height);
        Host::Layer output(width, height);
        Bench::fillGradient(input);
        const long before = Bench::peakRssKiB();
        for (int i = 0; i < frames; ++i) {
            if (effect.render(input, output) != PF_Err_NONE) {
                std::fprintf(stderr, "the render command answered an error\n");
                return 1;
            }
        }
        if (!Bench::anyNonZero(output)) {
            std::fprintf(stderr, "the render command drew nothing\n");
            return 1;
        }
        const long peak = Bench::peakRssKiB();
        effect.globalSetdown();
        std::printf(
            "{\"width\": %d, \"height\": %d, \"instances\": %d, \"frames\": %d, "
            "\"peak_rss_kib\": %ld, \"rss_before_frames_kib\": %ld, \"gl_samples\": %d, "
            "\"gl_frame_bytes\": %llu, \"host_layers_bytes\": %llu, \"gl_renderer\": \"%s\"}\n",
            width, height, instances, frames, peak, before, samples,
            static_cast<unsigned long long>(Bench::frameGLBytes(width, height, samples)),
            static_cast<unsigned long long>(2ull * static_cast<unsigned>(input.rowbytes()) *
                                            static_cast<unsigned>(height)),
            renderer.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
