#include "commands/Renderer.h"

#include <EGL/egl.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostError.h"
#include "Host/Layer.h"
#include "Host/PluginModule.h"
#include "support/InputError.h"
#include "support/StdoutDiversion.h"

namespace Corvane::Tessory::Cli {

namespace {

void check(PF_Err err, const std::string& what) {
    if (err != PF_Err_NONE) {
        throw InputError("the plug-in failed its " + what + " (error " + std::to_string(err) + ")");
    }
}

}  // namespace

Renderer::Renderer(const std::string& pluginPath, bool verbose, const std::string& renderer)
    : mPluginPath(pluginPath), mVerbose(verbose) {
    Host::HostApp::Renderer choice;
    if (!Host::HostApp::parseRenderer(renderer, &choice)) {
        throw InputError("--renderer must be auto, gl or cpu, not \"" + renderer + "\"");
    }
    try {
        mApp = std::make_unique<Host::HostApp>();
        mApp->setRenderer(choice);
        mModule = std::make_unique<Host::PluginModule>(pluginPath);
        mEffect = std::make_unique<Host::EffectInstance>(*mApp, *mModule);
    } catch (const Host::HostError& e) {
        throw InputError(std::string("cannot load plug-in: ") + e.what());
    }
    if (mVerbose)
        std::fprintf(stderr, "tessory: renderer %s\n", mApp->rendererDescription().c_str());
    StdoutDiversion diversion(mVerbose);
    check(mEffect->globalSetup(), "global set-up");
    mSetUp = true;
    check(mEffect->paramsSetup(), "parameter set-up");
    // A host shows the controls as the visibility handler leaves them.
    mEffect->updateParamsUI();
}

Renderer::~Renderer() {
    StdoutDiversion diversion(mVerbose);
    if (mSetUp) mEffect->globalSetdown();
}

std::vector<ParamInfo> Renderer::params() const {
    return ParamInfo::listOf(*mEffect);
}

std::string Renderer::about() {
    return mEffect->about();
}

void Renderer::setValue(int index, const ParamValue& value) {
    mEffect->setKeyframes(index, {});
    mEffect->setValue(index, value);
}

bool Renderer::everOn(const std::string& name) const {
    const int index = mEffect->findParam(name);
    if (index < 0) return false;
    const Host::Param& p = mEffect->params()[static_cast<size_t>(index)];
    if (p.keys.empty()) return p.value[0] != 0;
    for (const Keyframe& k : p.keys) {
        if (k.value[0] != 0) return true;
    }
    return false;
}

void Renderer::setKeyframes(int index, const std::vector<Keyframe>& keys) {
    mEffect->setKeyframes(index, keys);
}

void Renderer::setDownsample(int factor) {
    if (factor < 1) throw InputError("--downsample must be 1 or more");
    mDownsample = factor;
    mEffect->setDownsample(1, static_cast<A_u_long>(factor));
}

int Renderer::maxTextureSize() {
    if (mMaxTexture >= 0) return mMaxTexture;
    mMaxTexture = 0;
    if (mApp->gpuFramework() == PF_GPU_Framework_NONE) return mMaxTexture;
    // The plug-in draws in contexts sharing the host's display, so the host's context
    // answers for the same GL.
    if (mApp->hostContext()) {
        mApp->makeHostContextCurrent();
        using GetIntegerv = void (*)(unsigned, int*);
        auto get = reinterpret_cast<GetIntegerv>(eglGetProcAddress("glGetIntegerv"));
        if (get) {
            constexpr unsigned kMaxTextureSize = 0x0D33;  // GL_MAX_TEXTURE_SIZE
            int value = 0;
            get(kMaxTextureSize, &value);
            mMaxTexture = std::max(0, value);
        }
    }
    return mMaxTexture;
}

void Renderer::checkFrameSize(int width, int height) {
    const int limit = maxTextureSize();
    const int w = (width + mDownsample - 1) / mDownsample;
    const int h = (height + mDownsample - 1) / mDownsample;
    if (limit > 0 && (w > limit || h > limit)) {
        throw InputError("frame " + std::to_string(w) + "x" + std::to_string(h) +
                         " is larger than the GL's maximum texture size " + std::to_string(limit));
    }
}

Image Renderer::render(const Image& input, double seconds, double fps) {
    Image result;
    render(input, seconds, fps, result);
    return result;
}

void Renderer::render(const Image& input, double seconds, double fps, Image& result) {
    if (mDownsample != 1) {
        input.resizeInto(mScaled, std::max(1, (input.width() + mDownsample - 1) / mDownsample),
                         std::max(1, (input.height() + mDownsample - 1) / mDownsample));
    }
    const Image& source = mDownsample == 1 ? input : mScaled;
    if (source.order() != PixelOrder::RGBA) throw std::logic_error("render takes RGBA pictures");
    const int w = source.width(), h = source.height();
    prepareLayers(w, h);
    mInput->readRGBA(source.data(), size_t(w) * 4);
    runEffect(seconds, fps);
    result.setSize(w, h);
    mOutput->writeRGBA(result.data(), size_t(w) * 4);
}

void Renderer::renderHostOrder(Image& input, double seconds, double fps, Image& result) {
    if (mDownsample != 1 || input.order() != PixelOrder::ARGB) {
        throw std::logic_error("renderHostOrder takes A, R, G, B frames at full size");
    }
    const int w = input.width(), h = input.height();
    prepareLayers(w, h);
    result.setSize(w, h, PixelOrder::ARGB);
    // For the call, the frames' memory is the layers' own; it goes back however the call
    // ends. The sizes match, so the trades cannot fail.
    struct Trade {
        Host::Layer& layer;
        Host::PixelBuffer& pixels;
        Trade(Host::Layer& l, Host::PixelBuffer& p) : layer(l), pixels(p) {
            layer.swapPixels(pixels);
        }
        ~Trade() { layer.swapPixels(pixels); }
    };
    const Trade in(*mInput, input.buffer()), out(*mOutput, result.buffer());
    runEffect(seconds, fps);
}

void Renderer::prepareLayers(int width, int height) {
    if (!mInput || mInput->width() != width || mInput->height() != height) {
        mInput = std::make_unique<Host::Layer>(width, height);
        mOutput = std::make_unique<Host::Layer>(width, height);
    }
}

void Renderer::runEffect(double seconds, double fps) {
    // The output is not cleared first: the effect writes every pixel of a frame, and a
    // frame it fails is never read back.
    mEffect->setTime(seconds, fps);
    StdoutDiversion diversion(mVerbose);
    const PF_Err err = mEffect->render(*mInput, *mOutput);
    if (err != PF_Err_NONE) {
        throw std::runtime_error("the plug-in failed to render the frame at " +
                                 formatNumber(seconds) + " s (error " + std::to_string(err) + ")");
    }
}

void Renderer::releaseLayers() {
    mInput.reset();
    mOutput.reset();
}

}  // namespace Corvane::Tessory::Cli
