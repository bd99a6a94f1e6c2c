#include "Host/HostApp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Host/EffectInstance.h"
#include "Host/HostError.h"
#include "Host/HostGLContext.h"
#include "Host/HostSuites.h"
#include "Host/Layer.h"
#include "Host/ScriptEngine.h"

namespace Corvane::Tessory::Host {

HostApp::HostApp() : mScript(std::make_unique<ScriptEngine>()) {
    mSlot = HostSuites::claim(this);
}

HostApp::~HostApp() {
    HostSuites::release(mSlot);
    // A context current on this thread is let go first; one current on another thread is
    // freed by EGL when that thread lets go of it.
    for (auto& [thread, context] : mContexts) {
        if (context->isCurrent()) HostGLContext::releaseCurrent();
    }
    mContexts.clear();
}

SPBasicSuite* HostApp::basicSuite() {
    return HostSuites::basic(mSlot);
}

PF_UtilCallbacks* HostApp::utilCallbacks() {
    return HostSuites::utils(mSlot);
}

const PF_InteractCallbacks& HostApp::interactCallbacks() {
    return HostSuites::interact(mSlot);
}

HostApp::LiveObjects HostApp::liveObjects() const {
    LiveObjects live;
    {
        std::lock_guard lock(mMutex);
        for (const auto& [key, count] : mAcquired) live.suites += count;
    }
    live.handles = mMemory.liveHandles();
    live.memHandles = mMemory.liveMemHandles();
    live.blocks = mMemory.liveBlocks();
    live.effectHandles = mStreams.liveEffectHandles();
    live.streamHandles = mStreams.liveStreamHandles();
    return live;
}

void* HostApp::hostContext() {
    std::lock_guard lock(mMutex);
    if (!mProvidesGL) return nullptr;
    auto& context = mContexts[std::this_thread::get_id()];
    if (!context) context = std::make_unique<HostGLContext>();
    return context->valid() ? context->context() : nullptr;
}

bool HostApp::makeHostContextCurrent() {
    std::lock_guard lock(mMutex);
    if (!hostContext()) return false;
    auto& context = mContexts[std::this_thread::get_id()];
    if (context->makeCurrent()) return true;
    // A thread that ended with the context current can leave it bound under a recycled
    // thread id; a new context replaces it.
    context = std::make_unique<HostGLContext>();
    return context->valid() && context->makeCurrent();
}

void HostApp::setProvidesGLContext(bool provides) {
    std::lock_guard lock(mMutex);
    mProvidesGL = provides;
}

bool HostApp::providesGLContext() const {
    std::lock_guard lock(mMutex);
    return mProvidesGL;
}

void HostApp::setRenderer(Renderer renderer) {
    std::lock_guard lock(mMutex);
    mRenderer = renderer;
    mDecided = false;
}

bool HostApp::parseRenderer(std::string_view text, Renderer* renderer) {
    if (text == "auto") {
        *renderer = Renderer::Auto;
    } else if (text == "gl") {
        *renderer = Renderer::GL;
    } else if (text == "cpu") {
        *renderer = Renderer::CPU;
    } else {
        return false;
    }
    return true;
}

PF_GPU_Framework HostApp::gpuFramework() {
    std::lock_guard lock(mMutex);
    if (mDecided) return mFramework;
    mGLRenderer.clear();
    if (mRenderer == Renderer::CPU) {
        mFramework = PF_GPU_Framework_NONE;
    } else if (mRenderer == Renderer::GL) {
        mFramework = PF_GPU_Framework_OPENGL;
    } else {
        mGLRenderer = HostGLContext::probeRendererName();
        const bool hardware =
            !mGLRenderer.empty() && (HostGLContext::platform() == HostGLContext::Platform::Device ||
                                     !HostGLContext::softwareRenderer(mGLRenderer));
        mFramework = hardware ? PF_GPU_Framework_OPENGL : PF_GPU_Framework_NONE;
    }
    mDecided = true;
    return mFramework;
}

std::string HostApp::rendererDescription() {
    if (gpuFramework() == PF_GPU_Framework_NONE) return "cpu";
    std::lock_guard lock(mMutex);
    if (mGLRenderer.empty()) mGLRenderer = HostGLContext::probeRendererName();
    return "gl (" + (mGLRenderer.empty() ? std::string("no GL renderer") : mGLRenderer) + ")";
}

ScriptEngine& HostApp::scriptEngine() {
    return *mScript;
}

// ---- Basic suite ----

SPErr HostApp::acquireSuite(const char* name, int32_t version, const void** suite) {
    mCalls.log("AcquireSuite ", name, " ", version);
    if (!suite) return kSPSuiteNotFoundError;
    *suite = nullptr;
    if (!name) return kSPSuiteNotFoundError;
    A_Err err = kSPSuiteNotFoundError;
    if (mCalls.fault("AcquireSuite", &err)) return err;
    const HostObserver::SuiteAnswer answer = mCalls.suite(name);
    if (answer == HostObserver::SuiteAnswer::Missing) return kSPSuiteNotFoundError;
    if (answer == HostObserver::SuiteAnswer::NullTable) return kSPNoError;
    const void* table = HostSuites::suite(mSlot, name, version);
    if (!table) return kSPSuiteNotFoundError;
    *suite = table;
    std::lock_guard lock(mMutex);
    ++mAcquired[{name, version}];
    return kSPNoError;
}

SPErr HostApp::releaseSuite(const char* name, int32_t version) {
    mCalls.log("ReleaseSuite ", name, " ", version);
    if (!name) return kSPSuiteNotFoundError;
    std::lock_guard lock(mMutex);
    auto it = mAcquired.find({name, version});
    if (it == mAcquired.end()) return kSPSuiteNotFoundError;
    if (--it->second == 0) mAcquired.erase(it);
    return kSPNoError;
}

// ---- Utility suite ----

A_Err HostApp::reportInfo(const A_char* text) {
    mCalls.log("AEGP_ReportInfo");
    if (!text) return A_Err_PARAMETER;
    mCalls.show(text);
    return A_Err_NONE;
}

A_Err HostApp::executeScript(const A_char* script, A_Boolean /*platformEncoding*/,
                             AEGP_MemHandle* resultH, AEGP_MemHandle* errorH) {
    // The platform encoding on Linux is UTF-8, so both encodings read the same.
    mCalls.log("AEGP_ExecuteScript");
    if (resultH) *resultH = nullptr;
    if (errorH) *errorH = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_ExecuteScript", &err)) return err;
    if (!script) return A_Err_PARAMETER;
    const ScriptEngine::Result result = mScript->run(script);
    if (!result.ok) {
        if (errorH) *errorH = mMemory.textHandle(result.error, "script error");
        return A_Err_GENERIC;
    }
    if (resultH) *resultH = mMemory.textHandle(result.text, "script result");
    return A_Err_NONE;
}

// ---- Pixels ----

PF_Err HostApp::iterate(PF_InData* /*in_data*/, PF_EffectWorld* src, const PF_Rect* area,
                        void* refcon, PF_IteratePixelFloatFunc fn, PF_EffectWorld* dst) {
    if (src) {
        mCalls.log("iterate ", src->width, "x", src->height);
    } else {
        mCalls.log("iterate");
    }
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (mCalls.fault("iterate", &err)) return err;
    if (!src || !dst || !fn || !src->data || !dst->data) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Rect r{0, 0, src->width, src->height};
    if (area) {
        r.left = std::max(area->left, 0);
        r.top = std::max(area->top, 0);
        r.right = std::min(area->right, src->width);
        r.bottom = std::min(area->bottom, src->height);
    }
    // The destination is written at the same places: it must cover the area.
    if (r.right > dst->width || r.bottom > dst->height) {
        if (r.left < r.right && r.top < r.bottom) return PF_Err_BAD_CALLBACK_PARAM;
    }
    auto* srcBytes = reinterpret_cast<uint8_t*>(src->data);
    auto* dstBytes = reinterpret_cast<uint8_t*>(dst->data);
    for (A_long y = r.top; y < r.bottom; ++y) {
        auto* in =
            reinterpret_cast<PF_PixelFloat*>(srcBytes + static_cast<ptrdiff_t>(y) * src->rowbytes);
        auto* out =
            reinterpret_cast<PF_PixelFloat*>(dstBytes + static_cast<ptrdiff_t>(y) * dst->rowbytes);
        for (A_long x = r.left; x < r.right; ++x) {
            if (const PF_Err e = fn(refcon, x, y, in + x, out + x)) return e;
        }
    }
    return PF_Err_NONE;
}

PF_Err HostApp::pixelData(const char* call, int depth, PF_EffectWorld* world, PF_PixelPtr pixels,
                          void** result) {
    mCalls.log(call);
    if (result) *result = nullptr;
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (mCalls.fault(call, &err)) return err;
    if (!world || !result) return PF_Err_BAD_CALLBACK_PARAM;
    const A_long flag = depth == 8    ? Layer::kWorldFlagDepth8
                        : depth == 16 ? Layer::kWorldFlagDepth16
                                      : Layer::kWorldFlagDepth32;
    const A_long anyDepth =
        Layer::kWorldFlagDepth8 | Layer::kWorldFlagDepth16 | Layer::kWorldFlagDepth32;
    // A world of known depth answers only for that depth.
    if ((world->world_flags & anyDepth) && !(world->world_flags & flag)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *result = pixels ? static_cast<void*>(pixels) : static_cast<void*>(world->data);
    return PF_Err_NONE;
}

}  // namespace Corvane::Tessory::Host
