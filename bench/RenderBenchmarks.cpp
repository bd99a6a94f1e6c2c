// Frame time of the render command through the host runtime, the same steps timed one by
// one, and a floor of the same GL work issued with plain GL calls.
//
// Arguments of every benchmark: width, height, instances (and the CPU kernel build). The split and
// the floor call glFinish before each clock reading so that the GL work lands in the step that
// issued it; the render command itself is timed as a host sees it.
#include <benchmark/benchmark.h>
#include <glbinding/gl/gl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "BenchSupport.h"
#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GL/AEOpenGLUtilities.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/Layer.h"
#include "Host/PluginModule.h"
#include "Math/Vec2.h"
#include "RawGLFloor.h"
#include "TessoryRender.h"

namespace Corvane::Tessory::Bench {
namespace {

using namespace gl;
using Clock = std::chrono::steady_clock;

constexpr int kFormatARGB8 = 0x62677261;  // "argb" in memory order

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// --- the render command through the host runtime --------------------------------------------

// One host with the module loaded and set up for the whole run. Never torn down: the
// process ends right after the benchmarks and the module's GL objects go with it.
struct CommandRig {
    Host::HostApp host;
    Host::PluginModule module{Host::PluginModule::defaultPath()};
    Host::EffectInstance effect{host, module};
    int instancesIndex = -1;

    explicit CommandRig(Host::HostApp::Renderer renderer) {
        host.setRenderer(renderer);
        if (effect.globalSetup() != PF_Err_NONE || effect.paramsSetup() != PF_Err_NONE) {
            throw std::runtime_error("the module refused global set-up or parameter set-up");
        }
        instancesIndex = effect.findParam("Instances");
        if (instancesIndex < 0) throw std::runtime_error("no \"Instances\" parameter");
    }
};

CommandRig& commandRig() {
    static CommandRig* rig = new CommandRig(Host::HostApp::Renderer::GL);
    return *rig;
}

// The same with the host offering no GPU: the effect's CPU renderer.
CommandRig& cpuRig() {
    static CommandRig* rig = new CommandRig(Host::HostApp::Renderer::CPU);
    return *rig;
}

void renderCommand(benchmark::State& state, CommandRig& rig, uint8_t alpha = 255) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    rig.effect.setValue(rig.instancesIndex, {static_cast<double>(state.range(2)), 0, 0, 0});
    Host::Layer input(width, height);
    Host::Layer output(width, height);
    fillGradient(input, alpha);

    // The first frame of a size builds framebuffers (and the program the first time).
    if (rig.effect.render(input, output) != PF_Err_NONE || !anyNonZero(output)) {
        state.SkipWithError("the render command answered an error or drew nothing");
        return;
    }
    for (auto _ : state) {
        const PF_Err err = rig.effect.render(input, output);
        if (err != PF_Err_NONE) {
            state.SkipWithError("the render command answered an error");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations());
}

void BM_RenderCommand(benchmark::State& state) {
    renderCommand(state, commandRig());
}

void BM_CpuRenderCommand(benchmark::State& state) {
    renderCommand(state, cpuRig());
}

// Where nothing can be culled: Fill Outside (the default) over input whose alpha is below
// 255 everywhere, so that no instance hides those below it. Once per kernel build, with
// the instances axis-aligned and rotated (their sampling takes different paths).
void BM_CpuWorstCase(benchmark::State& state) {
    static const char* const kKernels[] = {"portable", "avx2", "avx512"};
    CommandRig& rig = cpuRig();
    const int rotation = rig.effect.findParam("Rotation Offset");
    rig.effect.setValue(rotation, {static_cast<double>(state.range(4)), 0, 0, 0});
    setenv("TESSORY_CPU_KERNEL", kKernels[state.range(3)], 1);
    renderCommand(state, rig, 200);
    unsetenv("TESSORY_CPU_KERNEL");
    rig.effect.setValue(rotation, {0, 0, 0, 0});
    state.SetLabel(kKernels[state.range(3)]);
}

// --- the same steps, each timed -----------------------------------------------------------

// Parameter check-out for the split: the module's registered defaults, with "Instances"
// set and the centre point turned from per cent into pixels of the frame, as the host does.
struct SplitParams {
    std::vector<PF_ParamDef> defs;
    int width = 0;
    int height = 0;
};
SplitParams* gSplitParams = nullptr;

PF_Err splitCheckout(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* def) {
    if (!gSplitParams || index < 0 || index >= static_cast<int>(gSplitParams->defs.size())) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *def = gSplitParams->defs[static_cast<size_t>(index)];
    if (def->param_type == PF_Param_POINT) {
        const double x = (def->u.td.x_value / 65536.0) / 100.0 * gSplitParams->width;
        const double y = (def->u.td.y_value / 65536.0) / 100.0 * gSplitParams->height;
        def->u.td.x_value = static_cast<PF_Fixed>(x * 65536.0);
        def->u.td.y_value = static_cast<PF_Fixed>(y * 65536.0);
    }
    return PF_Err_NONE;
}

PF_Err splitCheckin(PF_ProgPtr, PF_ParamDef*) {
    return PF_Err_NONE;
}

void BM_RenderSplit(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    CommandRig& rig = commandRig();  // the registered list, and a host for suites and pixels

    SplitParams params;
    params.width = width;
    params.height = height;
    for (const Host::Param& p : rig.effect.params()) params.defs.push_back(p.registered);
    params.defs[static_cast<size_t>(rig.instancesIndex)].u.sd.value =
        static_cast<A_long>(state.range(2));
    gSplitParams = &params;

    PF_InData in{};
    PF_OutData out{};
    in.inter.checkout_param = splitCheckout;
    in.inter.checkin_param = splitCheckin;
    in.utils = rig.host.utilCallbacks();
    in.pica_basicP = rig.host.basicSuite();
    in.width = width;
    in.height = height;
    in.downsample_x = {1, 1};
    in.downsample_y = {1, 1};
    in.time_step = 1000;
    in.time_scale = 30000;

    Host::Layer input(width, height);
    Host::Layer output(width, height);
    fillGradient(input);

    static bool contextsMade = false;
    if (!contextsMade) {
        AEOpenGLContextManager::setupContextManager();
        contextsMade = true;
    }
    AEOpenGLContextManager::getCurrentRenderContext()->makeContextCurrent();
    AEOpenglMainFrameBuffer* frameBuffer = AEOpenglMainFrameBuffer::mainFrameBuffer();

    double tBegin = 0, tUpload = 0, tDraw = 0, tEnd = 0, tRead = 0;
    auto frame = [&](bool timed) {
        glFinish();
        const auto t0 = Clock::now();
        frameBuffer->prepare(width, height, true);
        frameBuffer->beginDrawing();
        glFinish();
        const auto t1 = Clock::now();
        unsigned long bytesPerPixel = 4;
        GLenum pixelType = GL_UNSIGNED_BYTE;
        float multiplier = 1.0f;
        unsigned int texture =
            AEOpenGLUtilities::UploadTexture(kFormatARGB8, input.def(), output.def(), &in,
                                             bytesPerPixel, pixelType, multiplier, false);
        glFinish();
        const auto t2 = Clock::now();
        kRender->prepare(&in, &out);
        kRender->draw(texture, multiplier,
                      Vec2(static_cast<double>(width), static_cast<double>(height)));
        glDeleteTextures(1, &texture);
        glFinish();
        const auto t3 = Clock::now();
        frameBuffer->endDrawing(multiplier);
        glFinish();
        const auto t4 = Clock::now();
        AEOpenGLUtilities::DownloadTexture(static_cast<uint32_t>(width),
                                           static_cast<uint32_t>(height), input.def(), output.def(),
                                           &in, kFormatARGB8, bytesPerPixel, pixelType);
        const auto t5 = Clock::now();
        if (timed) {
            tBegin += seconds(t0, t1);
            tUpload += seconds(t1, t2);
            tDraw += seconds(t2, t3);
            tEnd += seconds(t3, t4);
            tRead += seconds(t4, t5);
        }
    };

    frame(false);
    if (!anyNonZero(output)) {
        state.SkipWithError("the split frame drew nothing");
        gSplitParams = nullptr;
        return;
    }
    for (auto _ : state) {
        frame(true);
    }
    gSplitParams = nullptr;

    const double n = static_cast<double>(state.iterations());
    state.counters["begin_ms"] = 1e3 * tBegin / n;
    state.counters["upload_ms"] = 1e3 * tUpload / n;
    state.counters["prepare_draw_ms"] = 1e3 * tDraw / n;
    state.counters["end_drawing_ms"] = 1e3 * tEnd / n;
    state.counters["readback_ms"] = 1e3 * tRead / n;
}

// --- the floor: the same GL work in plain GL calls ----------------------------------------

void floorBenchmark(benchmark::State& state, bool fresh) {
    RawGLFloor floor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                     static_cast<int>(state.range(2)), fresh);
    floor.frame();
    if (!anyNonZero(floor.output())) {
        state.SkipWithError("the floor frame drew nothing");
        return;
    }
    RawGLFloor::Steps steps;
    for (auto _ : state) floor.frame(&steps);
    const double n = static_cast<double>(state.iterations());
    state.counters["upload_ms"] = 1e3 * steps.upload / n;
    state.counters["draw_ms"] = 1e3 * steps.draw / n;
    state.counters["end_drawing_ms"] = 1e3 * steps.endDrawing / n;
    state.counters["readback_ms"] = 1e3 * steps.readback / n;
}

void BM_RawGLFloor(benchmark::State& state) {
    floorBenchmark(state, false);
}
void BM_RawGLFloorFresh(benchmark::State& state) {
    floorBenchmark(state, true);
}

// --- the command and both floors in turn --------------------------------------------------

// One command frame, one floor frame and one fresh-floor frame per iteration, each timed
// unbroken, so the three see the same machine: on a shared machine whose speed drifts from
// one second to the next, their ratio is steadier than that of separate runs.
void BM_CommandVersusFloor(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int instances = static_cast<int>(state.range(2));
    CommandRig& rig = commandRig();
    rig.effect.setValue(rig.instancesIndex, {static_cast<double>(instances), 0, 0, 0});
    Host::Layer input(width, height);
    Host::Layer output(width, height);
    fillGradient(input);
    RawGLFloor floor(width, height, instances, false);
    RawGLFloor fresh(width, height, instances, true);
    floor.frame();
    fresh.frame();
    if (rig.effect.render(input, output) != PF_Err_NONE || !anyNonZero(output) ||
        !anyNonZero(floor.output()) || !anyNonZero(fresh.output())) {
        state.SkipWithError("a frame answered an error or drew nothing");
        return;
    }
    double command = 0, plain = 0, made = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.effect.render(input, output);
        const auto t1 = Clock::now();
        floor.frame();
        const auto t2 = Clock::now();
        fresh.frame();
        const auto t3 = Clock::now();
        command += seconds(t0, t1);
        plain += seconds(t1, t2);
        made += seconds(t2, t3);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["command_ms"] = 1e3 * command / n;
    state.counters["floor_ms"] = 1e3 * plain / n;
    state.counters["fresh_floor_ms"] = 1e3 * made / n;
    state.counters["command_per_floor"] = command / plain;
    state.counters["command_per_fresh_floor"] = command / made;
}

// Each frame size with 1, 5 and 20 instances; 4K frames take seconds on a software
// rasteriser, so they get few iterations.
void frameSizes(benchmark::internal::Benchmark* b) {
    for (int instances : {1, 5, 20}) {
        b->Args({1280, 720, instances});
        b->Args({1920, 1080, instances});
    }
    b->ArgNames({"w", "h", "instances"});
}

void uhdSizes(benchmark::internal::Benchmark* b) {
    for (int instances : {1, 5, 20}) b->Args({3840, 2160, instances});
    b->ArgNames({"w", "h", "instances"});
}

// Wall time throughout: the GL work runs on the driver's threads, so this thread's CPU
// time says little.
#define TESSORY_FRAME_BENCHMARK(fn)                                                               \
    BENCHMARK(fn)->Apply(frameSizes)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime(); \
    BENCHMARK(fn)->Apply(uhdSizes)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()

TESSORY_FRAME_BENCHMARK(BM_RenderCommand);
TESSORY_FRAME_BENCHMARK(BM_CpuRenderCommand);
BENCHMARK(BM_CpuWorstCase)
    ->ArgsProduct({{1920}, {1080}, {20}, {0, 1, 2}, {0, 23}})
    ->ArgNames({"w", "h", "instances", "kernel", "rotation"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();
TESSORY_FRAME_BENCHMARK(BM_RenderSplit);
TESSORY_FRAME_BENCHMARK(BM_RawGLFloor);
TESSORY_FRAME_BENCHMARK(BM_RawGLFloorFresh);
BENCHMARK(BM_CommandVersusFloor)
    ->Args({1920, 1080, 5})
    ->ArgNames({"w", "h", "instances"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(6.0)
    ->UseRealTime();

}  // namespace
}  // namespace Corvane::Tessory::Bench

int main(int argc, char** argv) {
    using namespace Corvane::Tessory;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    {
        // The renderer every figure of this run comes from.
        AEOpenGLContext probe(nullptr);
        benchmark::AddCustomContext("gl_renderer", Bench::rendererString());
        benchmark::AddCustomContext("gl_samples", std::to_string(Bench::targetSamples()));
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
