// Frame time of the render command through the host runtime, the same steps timed one by
// one, and a floor of the same GL work issued with plain GL calls.
//
// Arguments of every benchmark: width, height, instances. The split and the floor call
// glFinish before each clock reading so that the GL work lands in the step that issued
// it; the render command itself is timed as a host sees it.
#include <benchmark/benchmark.h>
#include <glbinding/gl/gl.h>

#include <chrono>
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

    CommandRig() {
        if (effect.globalSetup() != PF_Err_NONE || effect.paramsSetup() != PF_Err_NONE) {
            throw std::runtime_error("the module refused global set-up or parameter set-up");
        }
        instancesIndex = effect.findParam("Instances");
        if (instancesIndex < 0) throw std::runtime_error("no \"Instances\" parameter");
    }
};

CommandRig& commandRig() {
    static CommandRig* rig = new CommandRig();
    return *rig;
}

void BM_RenderCommand(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    CommandRig& rig = commandRig();
    rig.effect.setValue(rig.instancesIndex, {static_cast<double>(state.range(2)), 0, 0, 0});
    Host::Layer input(width, height);
    Host::Layer output(width, height);
    fillGradient(input);

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
    rig.host.clearCalls();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations());
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
    rig.host.clearCalls();

    const double n = static_cast<double>(state.iterations());
    state.counters["begin_ms"] = 1e3 * tBegin / n;
    state.counters["upload_ms"] = 1e3 * tUpload / n;
    state.counters["prepare_draw_ms"] = 1e3 * tDraw / n;
    state.counters["end_drawing_ms"] = 1e3 * tEnd / n;
    state.counters["readback_ms"] = 1e3 * tRead / n;
}

// --- the floor: the same GL work in plain GL calls ----------------------------------------

GLuint compile(GLenum stage, const std::string& text) {
    const GLuint shader = glCreateShader(stage);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) throw std::runtime_error("floor: a shader did not compile");
    return shader;
}

GLuint link(const std::string& vertex, const std::string& fragment) {
    const GLuint program = glCreateProgram();
    const GLuint vs = compile(GL_VERTEX_SHADER, vertex);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment);
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "position");
    glBindAttribLocation(program, 1, "input_uv");
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) throw std::runtime_error("floor: a program did not link");
    return program;
}

// The output pass's program: un-premultiply and back to alpha, red, green, blue.
const char* const kFloorOutputProgram = R"(#version 330
in vec2 uv;
out vec4 colourOut;
uniform sampler2D videoTexture;
void main() {
    vec4 c = texture(videoTexture, uv);
    colourOut = c.a == 0.0 ? vec4(0.0) : vec4(c.a, c.rgb / c.a);
}
)";

const float kFloorQuad[30] = {
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
    1.0f,  1.0f,  0.0f, 1.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, -1.0f, 0.0f, 0.0f, 0.0f,  //
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
};

// fresh: the input texture, the multisample renderbuffer and the resolve texture are made
// and deleted in every frame, as the effect's frame sequence does; otherwise they are made
// once and only re-specified (the input) or reused.
void rawGLFloor(benchmark::State& state, bool fresh) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int instances = static_cast<int>(state.range(2));
    static AEOpenGLContext* context = new AEOpenGLContext(nullptr);
    context->makeContextCurrent();

    Host::Layer input(width, height);
    Host::Layer output(width, height);
    fillGradient(input);
    std::vector<uint8_t> readBuffer(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);

    // The default shape (circle) with the compositing program the effect generates.
    const GLuint composite = link(FinalRender::vertexProgram(),
                                  FinalRender::compositingProgram() + FinalRender::shapeBody(1));
    const GLuint present = link(FinalRender::vertexProgram(), kFloorOutputProgram);

    GLuint vao = 0, vbo = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kFloorQuad), kFloorQuad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);

    const int samples = targetSamples();
    GLuint fbo[3] = {0, 0, 0};  // multisample, resolve, output
    glGenFramebuffers(3, fbo);
    GLuint msColour = 0, outColour = 0;
    glGenRenderbuffers(1, &msColour);
    glBindRenderbuffer(GL_RENDERBUFFER, msColour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, msColour);
    glGenRenderbuffers(1, &outColour);
    glBindRenderbuffer(GL_RENDERBUFFER, outColour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[2]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, outColour);
    GLuint resolved = 0;
    glGenTextures(1, &resolved);
    glBindTexture(GL_TEXTURE_2D, resolved);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[1]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolved, 0);
    GLuint texture = 0;
    glGenTextures(1, &texture);

    // Uniforms of the effect's defaults: circle 300 px, shadow 100 px at 40 %, the centre
    // of the frame, scale offsets of 10 % per instance, fill outside.
    glUseProgram(composite);
    auto loc = [&](const char* name) { return glGetUniformLocation(composite, name); };
    const float cx = static_cast<float>(width) / 2, cy = static_cast<float>(height) / 2;
    glUniform1i(loc("videoTexture"), 0);
    glUniform1f(loc("multiplier16bit"), 1.0f);
    glUniform1f(loc("shapeSize1"), 300.0f);
    glUniform1f(loc("shapeSize2"), 50.0f);
    glUniform2f(loc("center"), cx, cy);
    glUniform1f(loc("drawShadow"), 1.0f);
    glUniform1f(loc("shadowSize"), 100.0f);
    glUniform1f(loc("shadowAlpha"), 0.4f);
    glUniform4f(loc("shadowColor"), 0.0f, 0.0f, 0.0f, 1.0f);
    glUniform1i(loc("instances"), instances);
    glUniform1f(loc("shapeSize1Offset"), 0.0f);
    glUniform1f(loc("shapeSize2Offset"), 0.0f);
    glUniform1f(loc("opacityOffset"), 0.0f);
    glUniform1f(loc("bgAlpha"), 1.0f);
    glUniform1f(loc("alphaFactor"), -1.0f);
    glUniform2f(loc("viewPort"), static_cast<float>(width), static_cast<float>(height));
    std::vector<float> transforms(static_cast<size_t>(instances) * 9, 0.0f);
    for (int i = 0; i < instances; ++i) {
        const float s = 1.0f / (1.0f + 0.1f * static_cast<float>(i));  // inverse scale about centre
        float* m = &transforms[static_cast<size_t>(i) * 9];
        m[0] = s;
        m[4] = s;
        m[6] = cx - s * cx;
        m[7] = cy - s * cy;
        m[8] = 1.0f;
    }
    glUniformMatrix3fv(loc("transforms"), instances, GL_FALSE, transforms.data());
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    glUniformMatrix3fv(loc("shapeTransform"), 1, GL_FALSE, identity);
    glUseProgram(present);
    glUniform1i(glGetUniformLocation(present, "videoTexture"), 0);
    glViewport(0, 0, width, height);
    glDisable(GL_BLEND);

    if (fresh) {
        // Every frame makes its own; names deleted twice at the end are ignored by GL.
        glDeleteTextures(1, &texture);
        glDeleteTextures(1, &resolved);
        glDeleteRenderbuffers(1, &msColour);
    }

    double tUpload = 0, tDraw = 0, tEnd = 0, tRead = 0;
    auto frame = [&](bool timed) {
        glFinish();
        const auto t0 = Clock::now();
        if (fresh) {
            glGenTextures(1, &texture);
            glGenRenderbuffers(1, &msColour);
            glBindRenderbuffer(GL_RENDERBUFFER, msColour);
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
            glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                      msColour);
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, input.rowbytes() / 4);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                        input.row(0));
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glFinish();
        const auto t1 = Clock::now();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glUseProgram(composite);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        glFinish();
        const auto t2 = Clock::now();
        if (fresh) {
            glDeleteTextures(1, &texture);
            glGenTextures(1, &resolved);
            glBindTexture(GL_TEXTURE_2D, resolved);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         nullptr);
            glBindFramebuffer(GL_FRAMEBUFFER, fbo[1]);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, resolved,
                                   0);
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo[0]);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo[1]);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        if (fresh) glDeleteRenderbuffers(1, &msColour);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo[2]);
        glUseProgram(present);
        glBindTexture(GL_TEXTURE_2D, resolved);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        if (fresh) glDeleteTextures(1, &resolved);
        glFinish();
        const auto t3 = Clock::now();
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, readBuffer.data());
        for (int y = 0; y < height; ++y) {
            std::memcpy(output.row(y), readBuffer.data() + static_cast<size_t>(y) * width * 4,
                        static_cast<size_t>(width) * 4);
        }
        const auto t4 = Clock::now();
        if (timed) {
            tUpload += seconds(t0, t1);
            tDraw += seconds(t1, t2);
            tEnd += seconds(t2, t3);
            tRead += seconds(t3, t4);
        }
    };

    frame(false);
    const bool drew = anyNonZero(output);
    if (drew) {
        for (auto _ : state) frame(true);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteTextures(1, &texture);
    glDeleteTextures(1, &resolved);
    glDeleteRenderbuffers(1, &msColour);
    glDeleteRenderbuffers(1, &outColour);
    glDeleteFramebuffers(3, fbo);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
    glDeleteProgram(composite);
    glDeleteProgram(present);
    if (!drew) {
        state.SkipWithError("the floor frame drew nothing");
        return;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["upload_ms"] = 1e3 * tUpload / n;
    state.counters["draw_ms"] = 1e3 * tDraw / n;
    state.counters["end_drawing_ms"] = 1e3 * tEnd / n;
    state.counters["readback_ms"] = 1e3 * tRead / n;
}

void BM_RawGLFloor(benchmark::State& state) {
    rawGLFloor(state, false);
}
void BM_RawGLFloorFresh(benchmark::State& state) {
    rawGLFloor(state, true);
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
TESSORY_FRAME_BENCHMARK(BM_RenderSplit);
TESSORY_FRAME_BENCHMARK(BM_RawGLFloor);
TESSORY_FRAME_BENCHMARK(BM_RawGLFloorFresh);

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
