// The effects applied in this host and the AEGP effect and stream handles the plug-in
// takes of them. A handle whose effect went away first stays valid to dispose of but
// answers errors. Internal to the host runtime; the suite tables forward here.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "AE_Effect.h"
#include "AE_GeneralPlug.h"
#include "Host/HostCalls.h"

namespace Corvane::Tessory::Host {

class EffectInstance;

class StreamRegistry {
  public:
    /// calls must outlive the registry.
    explicit StreamRegistry(const HostCalls& calls) : mCalls(calls) {}
    StreamRegistry(const StreamRegistry&) = delete;
    StreamRegistry& operator=(const StreamRegistry&) = delete;

    void attach(EffectInstance* effect);
    void detach(EffectInstance* effect);
    /// The live instance effect_ref names, or null.
    EffectInstance* instanceFor(PF_ProgPtr effect_ref) const;

    int liveEffectHandles() const;
    int liveStreamHandles() const;

    A_Err effectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
    A_Err newEffectForEffect(PF_ProgPtr effect_ref, AEGP_EffectRefH* effect);
    A_Err layerNumEffects(AEGP_LayerH layer, A_long* count);
    A_Err layerEffectByIndex(AEGP_LayerH layer, A_long index, AEGP_EffectRefH* effect);
    A_Err disposeEffect(AEGP_EffectRefH effect);
    A_Err newEffectStream(AEGP_EffectRefH effect, PF_ParamIndex index, AEGP_StreamRefH* stream);
    A_Err disposeStream(AEGP_StreamRefH stream);
    A_Err streamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags);
    A_Err setStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                        A_Boolean set);

  private:
    // effect is cleared when the instance goes away first.
    struct EffectRec {
        EffectInstance* effect = nullptr;
    };
    struct StreamRec {
        EffectInstance* effect = nullptr;
        int index = 0;
    };
    AEGP_EffectRefH makeEffectHandle(EffectInstance* effect);
    StreamRec* streamRec(AEGP_StreamRefH stream);

    const HostCalls& mCalls;
    mutable std::recursive_mutex mMutex;
    std::unordered_set<EffectInstance*> mInstances;
    std::unordered_map<AEGP_EffectRefH, std::unique_ptr<EffectRec>> mEffectHandles;
    std::unordered_map<AEGP_StreamRefH, std::unique_ptr<StreamRec>> mStreamHandles;
};

}  // namespace Corvane::Tessory::Host
