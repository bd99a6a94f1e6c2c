// One applied effect: its parameter list as registered, the values and keyframes, the
// time and downsampling of the next command, and the commands themselves.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "AE_Effect.h"
#include "AE_GeneralPlug.h"
#include "Host/Param.h"

namespace Corvane::Tessory::Host {

class HostApp;
class HostSuites;
class Layer;
class PluginModule;

class EffectInstance {
  public:
    /// One PF_UpdateParamUI the plug-in made.
    struct UiUpdate {
        int index;
        A_long uiFlags;
    };

    /// The host and the module must outlive the instance.
    EffectInstance(HostApp& host, const PluginModule& module);
    ~EffectInstance();
    EffectInstance(const EffectInstance&) = delete;
    EffectInstance& operator=(const EffectInstance&) = delete;

    // Commands; each returns the plug-in's answer.
    /// Any command: PF_InData is built afresh from the current time and downsampling, the
    /// parameter array from the values at that time; PF_OutData is kept from one command
    /// to the next (outData()). The calling thread's host context is made current first.
    PF_Err send(A_long cmd, PF_LayerDef* output = nullptr, void* extra = nullptr);
    /// Command 0; the return message it wrote.
    std::string about();
    PF_Err globalSetup();
    PF_Err globalSetdown();
    /// Command 4 on a fresh list (the input layer only); add_param stores each entry.
    PF_Err paramsSetup();
    /// Command 11 with params[0] the input layer.
    PF_Err render(Layer& input, Layer& output);
    /// Command 13 with PF_UserChangedParamExtra for that position.
    PF_Err userChangedParam(int index);
    /// Command 14.
    PF_Err updateParamsUI();

    PF_OutData& outData() { return mOut; }
    const PF_OutData& outData() const { return mOut; }

    // Parameters. Position 0 is the input layer.
    const std::vector<Param>& params() const { return mParams; }
    /// Position of the parameter with that name, ignoring case; -1 if none.
    int findParam(std::string_view name) const;
    /// Throws HostError for a position outside the list.
    void setValue(int index, const ParamValue& value);
    /// Sorted by time here; an empty list goes back to the plain value.
    void setKeyframes(int index, std::vector<Keyframe> keys);
    /// Linear between keys, held before the first and after the last; popups,
    /// checkboxes and CANNOT_INTERP entries hold each key until the next.
    ParamValue valueAt(int index, double seconds) const;

    // Time, size and downsampling of the commands that follow.
    /// current_time, time_step and time_scale for that time at that frame rate.
    void setTime(double seconds, double fps = 30);
    double time() const { return mSeconds; }
    void setDownsample(A_long num, A_u_long den);
    /// Layer size (full resolution) used while no render is in progress: PF_InData
    /// width and height, and the size point defaults are per cent of.
    void setLayerSize(int width, int height);

    /// A parameter's stream flags (AEGP_DynStreamFlag_...), as the plug-in set them.
    AEGP_DynStreamFlags streamFlags(int index) const;
    void setStreamFlags(int index, AEGP_DynStreamFlags flags);

    HostApp& host() { return mHost; }

    // What the plug-in did to this instance.
    const std::vector<UiUpdate>& uiUpdates() const { return mUiUpdates; }
    /// check-outs not checked in.
    int outstandingCheckouts() const { return static_cast<int>(mCheckedOut.size()); }

  private:
    friend class HostSuites;  // the interaction callbacks below answer the plug-in

    PF_ProgPtr effectRef() const;
    void checkIndex(int index) const;
    /// Full-resolution layer size point defaults refer to.
    void layerSize(double* width, double* height) const;
    /// Fills def from the registered entry with the value at that time.
    void fillDef(int index, double seconds, PF_ParamDef* def) const;
    void resetParams();

    PF_Err addParam(PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err checkoutParam(PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                         PF_ParamDef* def);
    PF_Err checkinParam(PF_ParamDef* def);
    PF_Err updateParamUI(PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err keyframeCount(PF_ParamIndex index, A_long* count) const;
    PF_Err currentState(PF_ParamIndex index, A_long* state) const;

    HostApp& mHost;
    const PluginModule& mModule;
    PF_OutData mOut{};
    std::vector<Param> mParams;
    std::deque<std::string> mTexts;  // copies of registered texts; addresses never move
    std::vector<UiUpdate> mUiUpdates;
    std::vector<std::pair<PF_ParamDef*, int>> mCheckedOut;

    double mSeconds = 0;
    A_long mCurrentTime = 0;
    A_long mTimeStep = 1000;
    A_u_long mTimeScale = 30000;
    PF_RationalScale mDownsampleX{1, 1};
    PF_RationalScale mDownsampleY{1, 1};
    int mLayerWidth = 1920;
    int mLayerHeight = 1080;

    bool mInCommand = false;
    A_long mCommand = -1;
    const Layer* mRenderInput = nullptr;
};

}  // namespace Corvane::Tessory::Host
