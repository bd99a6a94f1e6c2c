#include "BridgeRuntime.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostError.h"
#include "Host/HostGLContext.h"
#include "Host/PluginModule.h"

namespace Corvane::Tessory::Bridge {

namespace fs = std::filesystem;

BridgeRuntime::BridgeRuntime(std::string bridgeName, bool cpuOnly, Reporter reporter)
    : mName(std::move(bridgeName)),
      mCpuOnly(cpuOnly),
      mReporter(reporter),
      mLimit(Host::PixelLimit::fromEnvironment()) {}

BridgeRuntime::~BridgeRuntime() {
    // Reached when the bridge is unloaded or the process exits with the module still in
    // use. GL and the module's own statics may already be gone at exit, so nothing is
    // sent: the objects are left to the process.
    if (mGlobal || mModule || mApp) {
        (void)mGlobal.release();
        (void)mModule.release();
        (void)mApp.release();
    }
}

void BridgeRuntime::init() {
    ++mInits;
}

void BridgeRuntime::deinit() {
    if (mInits > 0) --mInits;
    unloadIfUnused();
}

void BridgeRuntime::EffectGone::operator()(Host::EffectInstance* effect) const {
    delete effect;
    runtime->effectGone();
}

void BridgeRuntime::effectGone() {
    if (mLive > 0) --mLive;
    unloadIfUnused();
}

void BridgeRuntime::unloadIfUnused() {
    if (mInits > 0 || mLive > 0) return;
    if (mGlobal) {
        try {
            mGlobal->globalSetdown();
        } catch (const std::exception& e) {
            report(std::string("global tear-down failed: ") + e.what());
        }
    }
    mGlobal.reset();
    mModule.reset();
    mApp.reset();
    mFailed = false;
    if (mSavedCout) {
        std::cout.flush();
        std::cout.rdbuf(mSavedCout);
        mSavedCout = nullptr;
    }
}

bool BridgeRuntime::admits(int64_t width, int64_t height) {
    if (mLimit.allows(width, height)) return true;
    report("frames of " + mLimit.describe(width, height) + ", are refused (TESSORY_MAX_PIXELS)");
    return false;
}

std::string BridgeRuntime::modulePath() const {
    return mModule ? mModule->path() : std::string();
}

void BridgeRuntime::report(const std::string& message) {
    if (!mReported.insert(message).second) return;
    if (mReporter) return mReporter(message);
    std::fprintf(stderr, "tessory (%s): %s\n", mName.c_str(), message.c_str());
    std::fflush(stderr);
}

void BridgeRuntime::chooseRenderer() {
    // TESSORY_RENDERER=auto|gl|cpu, as tessory's --renderer; auto when unset.
    if (mCpuOnly) {
        mApp->setRenderer(Host::HostApp::Renderer::CPU);
        return;
    }
    Host::HostApp::Renderer renderer = Host::HostApp::Renderer::Auto;
    const char* value = std::getenv("TESSORY_RENDERER");
    if (value && *value && !Host::HostApp::parseRenderer(value, &renderer)) {
        report(std::string("TESSORY_RENDERER must be auto, gl or cpu, not \"") + value +
               "\"; using auto");
        renderer = Host::HostApp::Renderer::Auto;
    }
    mApp->setRenderer(renderer);
}

bool BridgeRuntime::load() {
    if (mModule) return true;
    if (mFailed) return false;
    const std::string path = Host::PluginModule::defaultPath();
    // The effect writes its GL information to standard output, and a host's standard
    // output can be the video itself (ffmpeg ... -f rawvideo -): while the module
    // is loaded, what goes to std::cout goes to stderr instead.
    if (!mSavedCout) mSavedCout = std::cout.rdbuf(std::cerr.rdbuf());
    try {
        if (!mApp) {
            mApp = std::make_unique<Host::HostApp>();
            chooseRenderer();
        }
        mModule = std::make_unique<Host::PluginModule>(path);
        mGlobal = std::make_unique<Host::EffectInstance>(*mApp, *mModule);
        const PF_Err err = mGlobal->globalSetup();
        if (err != PF_Err_NONE) {
            throw Host::HostError(path + " refused its global set-up (error " +
                                  std::to_string(err) + ")");
        }
        return true;
    } catch (const std::exception& e) {
        report(std::string(e.what()) + "; frames pass through unchanged");
        mGlobal.reset();
        mModule.reset();
        mFailed = true;
        return false;
    }
}

BridgeRuntime::Call::~Call() {
    Host::HostGLContext::releaseThread();
}

BridgeRuntime::Effect BridgeRuntime::newEffect(int width, int height) {
    Effect none(nullptr, EffectGone{this});
    if (!load()) return none;
    try {
        auto effect = std::make_unique<Host::EffectInstance>(*mApp, *mModule);
        effect->setLayerSize(width, height);
        const PF_Err err = effect->paramsSetup();
        if (err != PF_Err_NONE) {
            report("the effect refused its parameter set-up (error " + std::to_string(err) +
                   "); frames pass through unchanged");
            return none;
        }
        ++mLive;
        return Effect(effect.release(), EffectGone{this});
    } catch (const std::exception& e) {
        report(std::string("cannot make an effect instance: ") + e.what());
        return none;
    }
}

}  // namespace Corvane::Tessory::Bridge
