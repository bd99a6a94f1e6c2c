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
namespace {

// Memory a plug-in gets without asking for it cleared holds this byte while a test
// observes the host, so code that relies on fresh memory being zero shows up. The
// programs leave it as it comes: filling a frame-sized block costs a pass over it.
constexpr uint8_t kUnclearedByte = 0xCD;

}  // namespace

void HostApp::markUncleared(void* data, size_t size) const {
    if (mObserver) std::memset(data, kUnclearedByte, size);
}

HostApp::HostApp() : mScript(std::make_unique<ScriptEngine>()) {
    mSlot = HostSuites::claim(this);
}

HostApp::~HostApp() {
    HostSuites::release(mSlot);
    for (auto& [data, size] : mBlocks) std::free(data);
    for (auto& [handle, block] : mHandles) std::free(block->data);
    for (SpareBlock& spare : mSpares) std::free(spare.data);
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

void HostApp::setObserver(HostObserver* observer) {
    std::lock_guard lock(mMutex);
    mObserver = observer;
}

HostApp::LiveObjects HostApp::liveObjects() const {
    std::lock_guard lock(mMutex);
    LiveObjects live;
    for (const auto& [key, count] : mAcquired) live.suites += count;
    live.handles = static_cast<int>(mHandles.size());
    live.memHandles = static_cast<int>(mMemHandles.size());
    live.effectHandles = static_cast<int>(mEffectHandles.size());
    live.streamHandles = static_cast<int>(mStreamHandles.size());
    live.blocks = static_cast<int>(mBlocks.size());
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

ScriptEngine& HostApp::scriptEngine() {
    return *mScript;
}

void HostApp::showMessage(std::string text) {
    if (mObserver) {
        mObserver->shown(std::move(text));
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

void HostApp::attach(EffectInstance* effect) {
    std::lock_guard lock(mMutex);
    mInstances.insert(effect);
}

void HostApp::detach(EffectInstance* effect) {
    std::lock_guard lock(mMutex);
    mInstances.erase(effect);
    for (auto& [handle, rec] : mEffectHandles) {
        if (rec->effect == effect) rec->effect = nullptr;
    }
    for (auto& [handle, rec] : mStreamHandles) {
        if (rec->effect == effect) rec->effect = nullptr;
    }
}

EffectInstance* HostApp::instanceFor(PF_ProgPtr effect_ref) const {
    std::lock_guard lock(mMutex);
    auto* effect = reinterpret_cast<EffectInstance*>(effect_ref);
    return mInstances.count(effect) ? effect : nullptr;
}

// ---- Basic suite ----

SPErr HostApp::acquireSuite(const char* name, int32_t version, const void** suite) {
    log("AcquireSuite ", name, " ", version);
    if (!suite) return kSPSuiteNotFoundError;
    *suite = nullptr;
    if (!name) return kSPSuiteNotFoundError;
    A_Err err = kSPSuiteNotFoundError;
    if (fault("AcquireSuite", &err)) return err;
    if (mObserver) {
        const HostObserver::SuiteAnswer answer = mObserver->suite(name);
        if (answer == HostObserver::SuiteAnswer::Missing) return kSPSuiteNotFoundError;
        if (answer == HostObserver::SuiteAnswer::NullTable) return kSPNoError;
    }
    const void* table = HostSuites::suite(mSlot, name, version);
    if (!table) return kSPSuiteNotFoundError;
    *suite = table;
    std::lock_guard lock(mMutex);
    ++mAcquired[{name, version}];
    return kSPNoError;
}

SPErr HostApp::releaseSuite(const char* name, int32_t version) {
    log("ReleaseSuite ", name, " ", version);
    if (!name) return kSPSuiteNotFoundError;
    std::lock_guard lock(mMutex);
    auto it = mAcquired.find({name, version});
    if (it == mAcquired.end()) return kSPSuiteNotFoundError;
    if (--it->second == 0) mAcquired.erase(it);
    return kSPNoError;
}

SPErr HostApp::allocateBlock(size_t size, void** block) {
    log("AllocateBlock ", size);
    if (!block) return A_Err_PARAMETER;
    *block = nullptr;
    A_Err err = A_Err_ALLOC;
    if (fault("AllocateBlock", &err)) return err;
    void* data = std::malloc(size ? size : 1);
    if (!data) return A_Err_ALLOC;
    markUncleared(data, size);
    std::lock_guard lock(mMutex);
    mBlocks[data] = size;
    *block = data;
    return kSPNoError;
}

SPErr HostApp::freeBlock(void* block) {
    log("FreeBlock");
    std::lock_guard lock(mMutex);
    auto it = mBlocks.find(block);
    if (it == mBlocks.end()) return A_Err_PARAMETER;
    std::free(block);
    mBlocks.erase(it);
    return kSPNoError;
}

SPErr HostApp::reallocateBlock(void* block, size_t size, void** newBlock) {
    log("ReallocateBlock ", size);
    if (!newBlock) return A_Err_PARAMETER;
    A_Err err = A_Err_ALLOC;
    if (fault("ReallocateBlock", &err)) return err;
    std::lock_guard lock(mMutex);
    if (block && !mBlocks.count(block)) return A_Err_PARAMETER;
    size_t oldSize = 0;
    if (block) {
        oldSize = mBlocks[block];
        mBlocks.erase(block);
    }
    void* data = std::realloc(block, size ? size : 1);
    if (!data) {
        if (block) mBlocks[block] = oldSize;  // the old block stays valid
        return A_Err_ALLOC;
    }
    mBlocks[data] = size;
    *newBlock = data;
    return kSPNoError;
}

// ---- Handle suite ----

PF_Handle HostApp::newHandle(A_HandleSize size) {
    log("host_new_handle ", size);
    if (fault("host_new_handle")) return nullptr;
    auto block = std::make_unique<HandleBlock>();
    block->data = takeSpare(size);
    if (!block->data) block->data = std::malloc(size ? size : 1);
    if (!block->data) return nullptr;
    markUncleared(block->data, size);
    block->size = size;
    PF_Handle handle = block.get();
    std::lock_guard lock(mMutex);
    mHandles[handle] = std::move(block);
    return handle;
}

void* HostApp::takeSpare(A_HandleSize size) {
    std::lock_guard lock(mMutex);
    for (auto it = mSpares.begin(); it != mSpares.end(); ++it) {
        if (it->size == size) {
            void* data = it->data;
            mSpares.erase(it);
            return data;
        }
    }
    return nullptr;
}

void HostApp::keepSpare(void* data, A_HandleSize size) {
    // Lock held. The oldest spare makes room: sizes change when the frame size does.
    if (mSpares.size() == kSpareBlocks) {
        std::free(mSpares.front().data);
        mSpares.erase(mSpares.begin());
    }
    mSpares.push_back(SpareBlock{data, size});
}

void* HostApp::lockHandle(PF_Handle handle) {
    log("host_lock_handle");
    if (fault("host_lock_handle")) return nullptr;
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it == mHandles.end()) return nullptr;
    ++it->second->locks;
    return it->second->data;
}

void HostApp::unlockHandle(PF_Handle handle) {
    log("host_unlock_handle");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it != mHandles.end() && it->second->locks > 0) --it->second->locks;
}

void HostApp::disposeHandle(PF_Handle handle) {
    log("host_dispose_handle");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    if (it == mHandles.end()) return;
    keepSpare(it->second->data, it->second->size);
    mHandles.erase(it);
}

A_HandleSize HostApp::handleSize(PF_Handle handle) {
    log("host_get_handle_size");
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(handle);
    return it == mHandles.end() ? 0 : it->second->size;
}

PF_Err HostApp::resizeHandle(A_HandleSize size, PF_Handle* handle) {
    log("host_resize_handle ", size);
    A_Err err = PF_Err_OUT_OF_MEMORY;
    if (fault("host_resize_handle", &err)) return err;
    if (!handle) return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard lock(mMutex);
    auto it = mHandles.find(*handle);
    if (it == mHandles.end()) return PF_Err_BAD_CALLBACK_PARAM;
    HandleBlock& block = *it->second;
    // A locked handle cannot move.
    if (block.locks > 0) return PF_Err_BAD_CALLBACK_PARAM;
    void* data = std::realloc(block.data, size ? size : 1);
    if (!data) return PF_Err_OUT_OF_MEMORY;
    if (size > block.size) {
        markUncleared(static_cast<uint8_t*>(data) + block.size, size - block.size);
    }
    block.data = data;
    block.size = size;
    return PF_Err_NONE;
}

// ---- Memory suite ----

A_Err HostApp::newMemHandle(const A_char* what, AEGP_MemSize size, AEGP_MemFlag flags,
                            AEGP_MemHandle* memH) {
    log("AEGP_NewMemHandle ", what ? what : "", " ", size);
    if (!memH) return A_Err_PARAMETER;
    *memH = nullptr;
    A_Err err = A_Err_ALLOC;
    if (fault("AEGP_NewMemHandle", &err)) return err;
    auto block = std::make_unique<MemBlock>();
    block->bytes.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!block->bytes) return A_Err_ALLOC;
    if (flags & AEGP_MemFlag_CLEAR) {
        std::memset(block->bytes.get(), 0, size);
    } else {
        markUncleared(block->bytes.get(), size);
    }
    block->size = size;
    block->what = what ? what : "";
    auto handle = reinterpret_cast<AEGP_MemHandle>(block.get());
    std::lock_guard lock(mMutex);
    mMemHandles[handle] = std::move(block);
    *memH = handle;
    return A_Err_NONE;
}

A_Err HostApp::freeMemHandle(AEGP_MemHandle memH) {
    log("AEGP_FreeMemHandle");
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_FreeMemHandle", &err)) return err;
    std::lock_guard lock(mMutex);
    // Freeing a locked handle is allowed: the lock goes with it.
    return mMemHandles.erase(memH) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err HostApp::lockMemHandle(AEGP_MemHandle memH, void** ptr) {
    log("AEGP_LockMemHandle");
    if (!ptr) return A_Err_PARAMETER;
    *ptr = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_LockMemHandle", &err)) return err;
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end()) return A_Err_PARAMETER;
    ++it->second->locks;
    *ptr = it->second->bytes.get();
    return A_Err_NONE;
}

A_Err HostApp::unlockMemHandle(AEGP_MemHandle memH) {
    log("AEGP_UnlockMemHandle");
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end() || it->second->locks == 0) return A_Err_PARAMETER;
    --it->second->locks;
    return A_Err_NONE;
}

A_Err HostApp::memHandleSize(AEGP_MemHandle memH, AEGP_MemSize* size) {
    log("AEGP_GetMemHandleSize");
    if (!size) return A_Err_PARAMETER;
    std::lock_guard lock(mMutex);
    auto it = mMemHandles.find(memH);
    if (it == mMemHandles.end()) return A_Err_PARAMETER;
    *size = it->second->size;
    return A_Err_NONE;
}

AEGP_MemHandle HostApp::textHandle(const std::string& text, const char* what) {
    auto block = std::make_unique<MemBlock>();
    block->size = static_cast<AEGP_MemSize>(text.size() + 1);
    block->bytes.reset(new uint8_t[block->size]);
    std::memcpy(block->bytes.get(), text.c_str(), text.size() + 1);
    block->what = what;
    auto handle = reinterpret_cast<AEGP_MemHandle>(block.get());
    std::lock_guard lock(mMutex);
    mMemHandles[handle] = std::move(block);
    return handle;
}

// ---- Utility suite ----

A_Err HostApp::reportInfo(const A_char* text) {
    log("AEGP_ReportInfo");
    if (!text) return A_Err_PARAMETER;
    showMessage(text);
    return A_Err_NONE;
}

A_Err HostApp::executeScript(const A_char* script, A_Boolean /*platformEncoding*/,
                             AEGP_MemHandle* resultH, AEGP_MemHandle* errorH) {
    // The platform encoding on Linux is UTF-8, so both encodings read the same.
    log("AEGP_ExecuteScript");
    if (resultH) *resultH = nullptr;
    if (errorH) *errorH = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_ExecuteScript", &err)) return err;
    if (!script) return A_Err_PARAMETER;
    const ScriptEngine::Result result = mScript->run(script);
    if (!result.ok) {
        if (errorH) *errorH = textHandle(result.error, "script error");
        return A_Err_GENERIC;
    }
    if (resultH) *resultH = textHandle(result.text, "script result");
    return A_Err_NONE;
}

// ---- Effects and streams ----

AEGP_EffectRefH HostApp::makeEffectHandle(EffectInstance* effect) {
    auto rec = std::make_unique<EffectRec>();
    rec->effect = effect;
    auto handle = reinterpret_cast<AEGP_EffectRefH>(rec.get());
    std::lock_guard lock(mMutex);
    mEffectHandles[handle] = std::move(rec);
    return handle;
}

HostApp::StreamRec* HostApp::streamRec(AEGP_StreamRefH stream) {
    std::lock_guard lock(mMutex);
    auto it = mStreamHandles.find(stream);
    return it == mStreamHandles.end() ? nullptr : it->second.get();
}

A_Err HostApp::effectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
    log("AEGP_GetEffectLayer");
    if (!layer) return A_Err_PARAMETER;
    *layer = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_GetEffectLayer", &err)) return err;
    EffectInstance* effect = instanceFor(effect_ref);
    if (!effect) return A_Err_PARAMETER;
    // Each instance sits on a layer of its own; the instance stands for that layer.
    *layer = reinterpret_cast<AEGP_LayerH>(effect);
    return A_Err_NONE;
}

A_Err HostApp::newEffectForEffect(PF_ProgPtr effect_ref, AEGP_EffectRefH* effect) {
    log("AEGP_GetNewEffectForEffect");
    if (!effect) return A_Err_PARAMETER;
    *effect = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_GetNewEffectForEffect", &err)) return err;
    EffectInstance* instance = instanceFor(effect_ref);
    if (!instance) return A_Err_PARAMETER;
    *effect = makeEffectHandle(instance);
    return A_Err_NONE;
}

A_Err HostApp::layerNumEffects(AEGP_LayerH layer, A_long* count) {
    log("AEGP_GetLayerNumEffects");
    if (!count) return A_Err_PARAMETER;
    *count = instanceFor(reinterpret_cast<PF_ProgPtr>(layer)) ? 1 : 0;
    return *count ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err HostApp::layerEffectByIndex(AEGP_LayerH layer, A_long index, AEGP_EffectRefH* effect) {
    log("AEGP_GetLayerEffectByIndex ", index);
    if (!effect) return A_Err_PARAMETER;
    *effect = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_GetLayerEffectByIndex", &err)) return err;
    EffectInstance* instance = instanceFor(reinterpret_cast<PF_ProgPtr>(layer));
    if (!instance || index != 0) return A_Err_PARAMETER;
    *effect = makeEffectHandle(instance);
    return A_Err_NONE;
}

A_Err HostApp::disposeEffect(AEGP_EffectRefH effect) {
    log("AEGP_DisposeEffect");
    std::lock_guard lock(mMutex);
    return mEffectHandles.erase(effect) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err HostApp::newEffectStream(AEGP_EffectRefH effect, PF_ParamIndex index,
                               AEGP_StreamRefH* stream) {
    log("AEGP_GetNewEffectStreamByIndex ", index);
    if (!stream) return A_Err_PARAMETER;
    *stream = nullptr;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_GetNewEffectStreamByIndex", &err)) return err;
    std::lock_guard lock(mMutex);
    auto it = mEffectHandles.find(effect);
    if (it == mEffectHandles.end() || !it->second->effect) return A_Err_PARAMETER;
    EffectInstance* instance = it->second->effect;
    if (index < 0 || index >= static_cast<PF_ParamIndex>(instance->params().size())) {
        return A_Err_PARAMETER;
    }
    auto rec = std::make_unique<StreamRec>();
    rec->effect = instance;
    rec->index = index;
    auto handle = reinterpret_cast<AEGP_StreamRefH>(rec.get());
    mStreamHandles[handle] = std::move(rec);
    *stream = handle;
    return A_Err_NONE;
}

A_Err HostApp::disposeStream(AEGP_StreamRefH stream) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    if (rec) {
        log("AEGP_DisposeStream ", rec->index);
    } else {
        log("AEGP_DisposeStream");
    }
    return mStreamHandles.erase(stream) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err HostApp::streamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    if (rec) {
        log("AEGP_GetDynamicStreamFlags ", rec->index);
    } else {
        log("AEGP_GetDynamicStreamFlags");
    }
    if (!flags) return A_Err_PARAMETER;
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_GetDynamicStreamFlags", &err)) return err;
    if (!rec || !rec->effect) return A_Err_PARAMETER;
    *flags = rec->effect->mParams[rec->index].streamFlags;
    return A_Err_NONE;
}

A_Err HostApp::setStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                             A_Boolean set) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    log("AEGP_SetDynamicStreamFlag ", rec ? std::to_string(rec->index) : std::string("?"), " ",
        flag, " ", set ? 1 : 0);
    (void)undoable;  // this host keeps no undo history
    A_Err err = A_Err_GENERIC;
    if (fault("AEGP_SetDynamicStreamFlag", &err)) return err;
    if (!rec || !rec->effect) return A_Err_PARAMETER;
    // One flag at a time.
    if (flag == 0 || (flag & (flag - 1)) != 0) return A_Err_PARAMETER;
    AEGP_DynStreamFlags& flags = rec->effect->mParams[rec->index].streamFlags;
    flags = set ? (flags | flag) : (flags & ~flag);
    return A_Err_NONE;
}

// ---- Pixels ----

PF_Err HostApp::iterate(PF_InData* /*in_data*/, PF_EffectWorld* src, const PF_Rect* area,
                        void* refcon, PF_IteratePixelFloatFunc fn, PF_EffectWorld* dst) {
    if (src) {
        log("iterate ", src->width, "x", src->height);
    } else {
        log("iterate");
    }
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (fault("iterate", &err)) return err;
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
    log(call);
    if (result) *result = nullptr;
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (fault(call, &err)) return err;
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
