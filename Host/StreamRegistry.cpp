#include "Host/StreamRegistry.h"

#include <string>

#include "Host/EffectInstance.h"

namespace Corvane::Tessory::Host {

int StreamRegistry::liveEffectHandles() const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(mEffectHandles.size());
}

int StreamRegistry::liveStreamHandles() const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(mStreamHandles.size());
}

void StreamRegistry::attach(EffectInstance* effect) {
    std::lock_guard lock(mMutex);
    mInstances.insert(effect);
}

void StreamRegistry::detach(EffectInstance* effect) {
    std::lock_guard lock(mMutex);
    mInstances.erase(effect);
    for (auto& [handle, rec] : mEffectHandles) {
        if (rec->effect == effect) rec->effect = nullptr;
    }
    for (auto& [handle, rec] : mStreamHandles) {
        if (rec->effect == effect) rec->effect = nullptr;
    }
}

EffectInstance* StreamRegistry::instanceFor(PF_ProgPtr effect_ref) const {
    std::lock_guard lock(mMutex);
    auto* effect = reinterpret_cast<EffectInstance*>(effect_ref);
    return mInstances.count(effect) ? effect : nullptr;
}

// ---- Effects and streams ----

AEGP_EffectRefH StreamRegistry::makeEffectHandle(EffectInstance* effect) {
    auto rec = std::make_unique<EffectRec>();
    rec->effect = effect;
    auto handle = reinterpret_cast<AEGP_EffectRefH>(rec.get());
    std::lock_guard lock(mMutex);
    mEffectHandles[handle] = std::move(rec);
    return handle;
}

StreamRegistry::StreamRec* StreamRegistry::streamRec(AEGP_StreamRefH stream) {
    std::lock_guard lock(mMutex);
    auto it = mStreamHandles.find(stream);
    return it == mStreamHandles.end() ? nullptr : it->second.get();
}

A_Err StreamRegistry::effectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) {
    mCalls.log("AEGP_GetEffectLayer");
    if (!layer) return A_Err_PARAMETER;
    *layer = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_GetEffectLayer", &err)) return err;
    EffectInstance* effect = instanceFor(effect_ref);
    if (!effect) return A_Err_PARAMETER;
    // Each instance sits on a layer of its own; the instance stands for that layer.
    *layer = reinterpret_cast<AEGP_LayerH>(effect);
    return A_Err_NONE;
}

A_Err StreamRegistry::newEffectForEffect(PF_ProgPtr effect_ref, AEGP_EffectRefH* effect) {
    mCalls.log("AEGP_GetNewEffectForEffect");
    if (!effect) return A_Err_PARAMETER;
    *effect = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_GetNewEffectForEffect", &err)) return err;
    EffectInstance* instance = instanceFor(effect_ref);
    if (!instance) return A_Err_PARAMETER;
    *effect = makeEffectHandle(instance);
    return A_Err_NONE;
}

A_Err StreamRegistry::layerNumEffects(AEGP_LayerH layer, A_long* count) {
    mCalls.log("AEGP_GetLayerNumEffects");
    if (!count) return A_Err_PARAMETER;
    *count = instanceFor(reinterpret_cast<PF_ProgPtr>(layer)) ? 1 : 0;
    return *count ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err StreamRegistry::layerEffectByIndex(AEGP_LayerH layer, A_long index, AEGP_EffectRefH* effect) {
    mCalls.log("AEGP_GetLayerEffectByIndex ", index);
    if (!effect) return A_Err_PARAMETER;
    *effect = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_GetLayerEffectByIndex", &err)) return err;
    EffectInstance* instance = instanceFor(reinterpret_cast<PF_ProgPtr>(layer));
    if (!instance || index != 0) return A_Err_PARAMETER;
    *effect = makeEffectHandle(instance);
    return A_Err_NONE;
}

A_Err StreamRegistry::disposeEffect(AEGP_EffectRefH effect) {
    mCalls.log("AEGP_DisposeEffect");
    std::lock_guard lock(mMutex);
    return mEffectHandles.erase(effect) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err StreamRegistry::newEffectStream(AEGP_EffectRefH effect, PF_ParamIndex index,
                                      AEGP_StreamRefH* stream) {
    mCalls.log("AEGP_GetNewEffectStreamByIndex ", index);
    if (!stream) return A_Err_PARAMETER;
    *stream = nullptr;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_GetNewEffectStreamByIndex", &err)) return err;
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

A_Err StreamRegistry::disposeStream(AEGP_StreamRefH stream) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    if (rec) {
        mCalls.log("AEGP_DisposeStream ", rec->index);
    } else {
        mCalls.log("AEGP_DisposeStream");
    }
    return mStreamHandles.erase(stream) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err StreamRegistry::streamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    if (rec) {
        mCalls.log("AEGP_GetDynamicStreamFlags ", rec->index);
    } else {
        mCalls.log("AEGP_GetDynamicStreamFlags");
    }
    if (!flags) return A_Err_PARAMETER;
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_GetDynamicStreamFlags", &err)) return err;
    if (!rec || !rec->effect) return A_Err_PARAMETER;
    *flags = rec->effect->streamFlags(rec->index);
    return A_Err_NONE;
}

A_Err StreamRegistry::setStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag,
                                    A_Boolean undoable, A_Boolean set) {
    std::lock_guard lock(mMutex);
    StreamRec* rec = streamRec(stream);
    mCalls.log("AEGP_SetDynamicStreamFlag ", rec ? std::to_string(rec->index) : std::string("?"),
               " ", flag, " ", set ? 1 : 0);
    (void)undoable;  // this host keeps no undo history
    A_Err err = A_Err_GENERIC;
    if (mCalls.fault("AEGP_SetDynamicStreamFlag", &err)) return err;
    if (!rec || !rec->effect) return A_Err_PARAMETER;
    // One flag at a time.
    if (flag == 0 || (flag & (flag - 1)) != 0) return A_Err_PARAMETER;
    const AEGP_DynStreamFlags flags = rec->effect->streamFlags(rec->index);
    rec->effect->setStreamFlags(rec->index, set ? (flags | flag) : (flags & ~flag));
    return A_Err_NONE;
}

}  // namespace Corvane::Tessory::Host
