#include "Host/EffectInstance.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "Host/HostApp.h"
#include "Host/HostError.h"
#include "Host/HostGLContext.h"
#include "Host/HostSuites.h"
#include "Host/Layer.h"
#include "Host/PluginModule.h"

namespace Corvane::Tessory::Host {
namespace {

constexpr double kFixedOne = 65536.0;

PF_Fixed toFixed(double v) {
    const double scaled = std::round(v * kFixedOne);
    const double lo = std::numeric_limits<PF_Fixed>::min();
    const double hi = std::numeric_limits<PF_Fixed>::max();
    return static_cast<PF_Fixed>(std::clamp(scaled, lo, hi));
}

A_long toLong(double v) {
    const double lo = std::numeric_limits<A_long>::min();
    const double hi = std::numeric_limits<A_long>::max();
    return static_cast<A_long>(std::clamp(std::round(v), lo, hi));
}

A_u_char toByte(double v) {
    return static_cast<A_u_char>(std::clamp(std::round(v), 0.0, 255.0));
}

// Types whose value steps from key to key instead of moving between them.
bool holds(const PF_ParamDef& def) {
    return def.param_type == PF_Param_POPUP || def.param_type == PF_Param_CHECKBOX ||
           (def.flags & PF_ParamFlag_CANNOT_INTERP);
}

ParamValue defaultValue(const PF_ParamDef& def) {
    ParamValue v{};
    switch (def.param_type) {
        case PF_Param_SLIDER:
            v[0] = def.u.sd.dephault;
            break;
        case PF_Param_FIX_SLIDER:
            // A fixed slider shares the integer slider's record, its numbers in 16.16.
            v[0] = def.u.sd.dephault / kFixedOne;
            break;
        case PF_Param_FLOAT_SLIDER:
            v[0] = def.u.fs_d.dephault;
            break;
        case PF_Param_ANGLE:
            v[0] = def.u.ad.dephault / kFixedOne;
            break;
        case PF_Param_CHECKBOX:
            v[0] = def.u.bd.dephault ? 1 : 0;
            break;
        case PF_Param_POPUP:
            v[0] = def.u.pd.dephault;
            break;
        case PF_Param_COLOR:
            v = {double(def.u.cd.dephault.alpha), double(def.u.cd.dephault.red),
                 double(def.u.cd.dephault.green), double(def.u.cd.dephault.blue)};
            break;
        case PF_Param_POINT:
            // Per cent of the layer; turned into pixels when read.
            v[0] = def.u.td.x_dephault / kFixedOne;
            v[1] = def.u.td.y_dephault / kFixedOne;
            break;
        default:
            break;
    }
    return v;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

EffectInstance::EffectInstance(HostApp& host, const PluginModule& module)
    : mHost(host), mModule(module) {
    if (!module.entry()) throw HostError("module " + module.path() + " has no entry point");
    resetParams();
    mHost.streams().attach(this);
}

EffectInstance::~EffectInstance() {
    mHost.streams().detach(this);
}

PF_ProgPtr EffectInstance::effectRef() const {
    return reinterpret_cast<PF_ProgPtr>(const_cast<EffectInstance*>(this));
}

void EffectInstance::resetParams() {
    mParams.clear();
    mTexts.clear();
    Param input;
    input.registered.param_type = PF_Param_LAYER;
    std::strcpy(input.registered.name, "Input Layer");
    mParams.push_back(input);
}

PF_Err EffectInstance::send(A_long cmd, PF_LayerDef* output, void* extra) {
    if (mInCommand) throw HostError("a command is already in progress on this effect");

    PF_InData in{};
    in.inter = mHost.interactCallbacks();
    in.utils = mHost.utilCallbacks();
    in.effect_ref = effectRef();
    in.quality = 1;
    in.version = (13u << 16) | 28u;
    in.appl_id = 0x54455353;  // 'TESS'
    in.num_params = static_cast<A_long>(mParams.size());
    in.current_time = mCurrentTime;
    in.time_step = mTimeStep;
    in.local_time_step = mTimeStep;
    in.total_time = std::max<A_long>(mCurrentTime + mTimeStep, 0);
    in.time_scale = mTimeScale;
    if (mRenderInput) {
        in.width = mRenderInput->width();
        in.height = mRenderInput->height();
    } else {
        in.width = mLayerWidth;
        in.height = mLayerHeight;
    }
    in.extent_hint = PF_Rect{0, 0, in.width, in.height};
    in.downsample_x = mDownsampleX;
    in.downsample_y = mDownsampleY;
    in.pixel_aspect_ratio = PF_RationalScale{1, 1};
    in.global_data = mOut.global_data;
    in.sequence_data = mOut.sequence_data;
    in.frame_data = mOut.frame_data;
    in.pica_basicP = mHost.basicSuite();

    // The parameter array holds the values at the command's time.
    std::vector<PF_ParamDef> defs(mParams.size());
    std::vector<PF_ParamDef*> pointers(mParams.size() + 1, nullptr);
    for (size_t i = 0; i < mParams.size(); ++i) {
        fillDef(static_cast<int>(i), mSeconds, &defs[i]);
        pointers[i] = &defs[i];
    }

    // Without a GPU framework the plug-in renders on the CPU and no GL is touched.
    in.what_gpu = mHost.gpuFramework();
    if (in.what_gpu != PF_GPU_Framework_NONE) {
        if (mHost.providesGLContext()) {
            mHost.makeHostContextCurrent();
        } else {
            HostGLContext::releaseCurrent();
        }
    }
    const bool flagBefore = mOut.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    const std::string messageBefore(mOut.return_msg,
                                    strnlen(mOut.return_msg, sizeof(mOut.return_msg)));

    mInCommand = true;
    mCommand = cmd;
    struct Done {
        EffectInstance* self;
        ~Done() {
            self->mInCommand = false;
            self->mCommand = -1;
        }
    } done{this};
    PF_Err err = PF_Err_NONE;
    try {
        err = mModule.entry()(cmd, &in, &mOut, pointers.data(), output, extra);
    } catch (...) {
        // A host written in C cannot unwind through itself; this one says so instead.
        throw HostError("the plug-in let an exception escape command " + std::to_string(cmd));
    }
    // A message counts as shown when the command raised the flag or wrote a new text.
    if (mOut.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) {
        std::string message(mOut.return_msg, strnlen(mOut.return_msg, sizeof(mOut.return_msg)));
        if (!flagBefore || message != messageBefore) mHost.calls().show(std::move(message));
    }
    return err;
}

std::string EffectInstance::about() {
    send(PF_Cmd_ABOUT);
    return std::string(mOut.return_msg, strnlen(mOut.return_msg, sizeof(mOut.return_msg)));
}

PF_Err EffectInstance::globalSetup() {
    return send(PF_Cmd_GLOBAL_SETUP);
}

PF_Err EffectInstance::globalSetdown() {
    return send(PF_Cmd_GLOBAL_SETDOWN);
}

PF_Err EffectInstance::paramsSetup() {
    resetParams();
    return send(PF_Cmd_PARAMS_SETUP);
}

PF_Err EffectInstance::render(Layer& input, Layer& output) {
    mRenderInput = &input;
    struct Done {
        EffectInstance* self;
        ~Done() { self->mRenderInput = nullptr; }
    } done{this};
    return send(PF_Cmd_RENDER, output.def());
}

PF_Err EffectInstance::userChangedParam(int index) {
    PF_UserChangedParamExtra extra{index};
    return send(PF_Cmd_USER_CHANGED_PARAM, nullptr, &extra);
}

PF_Err EffectInstance::updateParamsUI() {
    return send(PF_Cmd_UPDATE_PARAMS_UI);
}

int EffectInstance::findParam(std::string_view name) const {
    const std::string wanted = lower(name);
    for (size_t i = 0; i < mParams.size(); ++i) {
        if (lower(mParams[i].registered.name) == wanted) return static_cast<int>(i);
    }
    return -1;
}

void EffectInstance::checkIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(mParams.size())) {
        throw HostError("no parameter at position " + std::to_string(index) + " (the list has " +
                        std::to_string(mParams.size()) + ")");
    }
}

void EffectInstance::setValue(int index, const ParamValue& value) {
    checkIndex(index);
    mParams[index].value = value;
    mParams[index].pointFollowsDefault = false;
}

void EffectInstance::setKeyframes(int index, std::vector<Keyframe> keys) {
    checkIndex(index);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Keyframe& a, const Keyframe& b) { return a.seconds < b.seconds; });
    mParams[index].keys = std::move(keys);
}

void EffectInstance::layerSize(double* width, double* height) const {
    if (mRenderInput) {
        // The input of a render is already downsampled; its full size is larger.
        *width = mRenderInput->width() * double(mDownsampleX.den) / mDownsampleX.num;
        *height = mRenderInput->height() * double(mDownsampleY.den) / mDownsampleY.num;
    } else {
        *width = mLayerWidth;
        *height = mLayerHeight;
    }
}

ParamValue EffectInstance::valueAt(int index, double seconds) const {
    checkIndex(index);
    const Param& p = mParams[index];
    ParamValue v = p.value;
    if (!p.keys.empty()) {
        const auto after =
            std::upper_bound(p.keys.begin(), p.keys.end(), seconds,
                             [](double t, const Keyframe& k) { return t < k.seconds; });
        if (after == p.keys.begin()) {
            v = p.keys.front().value;
        } else if (after == p.keys.end() || holds(p.registered)) {
            v = std::prev(after)->value;
        } else {
            const Keyframe& a = *std::prev(after);
            const Keyframe& b = *after;
            const double f = (seconds - a.seconds) / (b.seconds - a.seconds);
            for (size_t i = 0; i < v.size(); ++i) v[i] = a.value[i] + (b.value[i] - a.value[i]) * f;
        }
    } else if (p.registered.param_type == PF_Param_POINT && p.pointFollowsDefault) {
        double w = 0, h = 0;
        layerSize(&w, &h);
        v[0] = p.value[0] / 100.0 * w;
        v[1] = p.value[1] / 100.0 * h;
    }
    return v;
}

void EffectInstance::fillDef(int index, double seconds, PF_ParamDef* def) const {
    const Param& p = mParams[index];
    *def = p.registered;
    if (p.registered.param_type == PF_Param_LAYER) {
        if (index == 0 && mRenderInput) def->u.ld = *mRenderInput->def();
        return;
    }
    const ParamValue v = valueAt(index, seconds);
    switch (def->param_type) {
        case PF_Param_SLIDER:
            def->u.sd.value = toLong(v[0]);
            break;
        case PF_Param_FIX_SLIDER:
            def->u.sd.value = toFixed(v[0]);
            break;
        case PF_Param_FLOAT_SLIDER:
            def->u.fs_d.value = v[0];
            break;
        case PF_Param_ANGLE:
            def->u.ad.value = toFixed(v[0]);
            break;
        case PF_Param_CHECKBOX:
            def->u.bd.value = v[0] != 0 ? 1 : 0;
            break;
        case PF_Param_POPUP:
            def->u.pd.value = toLong(v[0]);
            break;
        case PF_Param_COLOR:
            def->u.cd.value = PF_Pixel{toByte(v[0]), toByte(v[1]), toByte(v[2]), toByte(v[3])};
            break;
        case PF_Param_POINT:
            // Points are handed in the coordinates of the downsampled layer.
            def->u.td.x_value = toFixed(v[0] * mDownsampleX.num / double(mDownsampleX.den));
            def->u.td.y_value = toFixed(v[1] * mDownsampleY.num / double(mDownsampleY.den));
            break;
        default:
            break;
    }
}

void EffectInstance::setTime(double seconds, double fps) {
    if (!(fps > 0) || fps > 1000) throw HostError("frame rate must be above 0 and at most 1000");
    const double scale = std::round(fps * 1000);
    const double ticks = std::round(seconds * scale);
    if (!std::isfinite(seconds) || std::fabs(ticks) > std::numeric_limits<A_long>::max()) {
        throw HostError("time " + std::to_string(seconds) + " s is out of range");
    }
    mSeconds = seconds;
    mTimeScale = static_cast<A_u_long>(scale);
    mTimeStep = 1000;
    mCurrentTime = static_cast<A_long>(ticks);
}

void EffectInstance::setDownsample(A_long num, A_u_long den) {
    if (num <= 0 || den == 0) throw HostError("downsample factor must be positive");
    mDownsampleX = PF_RationalScale{num, den};
    mDownsampleY = PF_RationalScale{num, den};
}

AEGP_DynStreamFlags EffectInstance::streamFlags(int index) const {
    checkIndex(index);
    return mParams[static_cast<size_t>(index)].streamFlags;
}

void EffectInstance::setStreamFlags(int index, AEGP_DynStreamFlags flags) {
    checkIndex(index);
    mParams[static_cast<size_t>(index)].streamFlags = flags;
}

void EffectInstance::setLayerSize(int width, int height) {
    if (width <= 0 || height <= 0) throw HostError("layer size must be positive");
    mLayerWidth = width;
    mLayerHeight = height;
}

// ---- Callbacks ----

PF_Err EffectInstance::addParam(PF_ParamIndex index, const PF_ParamDef* def) {
    const std::string name =
        def ? std::string(def->name, strnlen(def->name, sizeof(def->name))) : std::string();
    mHost.calls().log("add_param ", mParams.size(), " ", name);
    A_Err err = PF_Err_OUT_OF_MEMORY;
    if (mHost.calls().fault("add_param", &err)) return err;
    if (!mInCommand || mCommand != PF_Cmd_PARAMS_SETUP) return PF_Err_INVALID_CALLBACK;
    if (!def) return PF_Err_BAD_CALLBACK_PARAM;
    if (index != -1) return PF_Err_INVALID_INDEX;

    Param p;
    p.registered = *def;
    p.registered.name[sizeof(p.registered.name) - 1] = '\0';
    // The plug-in's texts need not outlive the command: keep copies.
    if (def->param_type == PF_Param_POPUP && def->u.pd.u.namesptr) {
        p.choicesText = def->u.pd.u.namesptr;
        mTexts.push_back(p.choicesText);
        p.registered.u.pd.u.namesptr = mTexts.back().c_str();
    } else if (def->param_type == PF_Param_CHECKBOX && def->u.bd.u.nameptr) {
        p.choicesText = def->u.bd.u.nameptr;
        mTexts.push_back(p.choicesText);
        p.registered.u.bd.u.nameptr = mTexts.back().c_str();
    }
    p.value = defaultValue(p.registered);
    p.pointFollowsDefault = def->param_type == PF_Param_POINT;
    mParams.push_back(std::move(p));
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkoutParam(PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                                     PF_ParamDef* def) {
    mHost.calls().log("checkout_param ", index, " ", time, " ", step, " ", scale);
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (mHost.calls().fault("checkout_param", &err)) return err;
    if (!def || scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
    if (index < 0 || index >= static_cast<PF_ParamIndex>(mParams.size())) {
        return PF_Err_INVALID_INDEX;
    }
    fillDef(index, double(time) / double(scale), def);
    mCheckedOut.emplace_back(def, index);
    return PF_Err_NONE;
}

PF_Err EffectInstance::checkinParam(PF_ParamDef* def) {
    auto it = std::find_if(mCheckedOut.begin(), mCheckedOut.end(),
                           [&](const auto& entry) { return entry.first == def; });
    mHost.calls().log("checkin_param ", it == mCheckedOut.end() ? -1 : it->second);
    // A definition that was never checked out (its check-out failed) is accepted: there
    // is nothing to give back. An injected failure still takes the parameter back: the
    // plug-in has no second way to return it.
    if (it != mCheckedOut.end()) mCheckedOut.erase(it);
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (mHost.calls().fault("checkin_param", &err)) return err;
    return PF_Err_NONE;
}

PF_Err EffectInstance::updateParamUI(PF_ParamIndex index, const PF_ParamDef* def) {
    mHost.calls().log("PF_UpdateParamUI ", index);
    A_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (mHost.calls().fault("PF_UpdateParamUI", &err)) return err;
    if (!def) return PF_Err_BAD_CALLBACK_PARAM;
    if (index < 0 || index >= static_cast<PF_ParamIndex>(mParams.size())) {
        return PF_Err_INVALID_INDEX;
    }
    mUiUpdates.push_back(UiUpdate{index, def->ui_flags});
    return PF_Err_NONE;
}

PF_Err EffectInstance::keyframeCount(PF_ParamIndex index, A_long* count) const {
    mHost.calls().log("PF_GetKeyframeCount ", index);
    if (!count) return PF_Err_BAD_CALLBACK_PARAM;
    if (index < 0 || index >= static_cast<PF_ParamIndex>(mParams.size())) {
        return PF_Err_INVALID_INDEX;
    }
    *count = static_cast<A_long>(mParams[index].keys.size());
    return PF_Err_NONE;
}

PF_Err EffectInstance::currentState(PF_ParamIndex index, A_long* state) const {
    mHost.calls().log("PF_GetCurrentState ", index);
    // A digest of the values and keys of one parameter, or of all of them for index -1
    // (PF_ParamIndex_CHECK_ALL): equal states mean the same frames.
    if (index < -1 || index >= static_cast<PF_ParamIndex>(mParams.size())) {
        return PF_Err_INVALID_INDEX;
    }
    uint64_t a = 1469598103934665603ull, b = 1099511628211ull;
    auto mix = [&](double d) {
        uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof(bits));
        a = (a ^ bits) * 1099511628211ull;
        b = (b + bits) * 6364136223846793005ull + 1442695040888963407ull;
    };
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? static_cast<int>(mParams.size()) - 1 : index;
    for (int i = first; i <= last; ++i) {
        for (double d : mParams[i].value) mix(d);
        for (const Keyframe& k : mParams[i].keys) {
            mix(k.seconds);
            for (double d : k.value) mix(d);
        }
    }
    state[0] = static_cast<A_long>(a);
    state[1] = static_cast<A_long>(a >> 32);
    state[2] = static_cast<A_long>(b);
    state[3] = static_cast<A_long>(b >> 32);
    return PF_Err_NONE;
}

}  // namespace Corvane::Tessory::Host
