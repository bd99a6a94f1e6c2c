#include "BridgeInstance.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "BridgeRuntime.h"
#include "Host/EffectInstance.h"

namespace Corvane::Tessory::Frei0r {

namespace {

// EffectInstance::setTime refuses times whose ticks overflow a 32-bit count; frei0r hosts
// send whatever their clocks say (FFmpeg sends milliseconds), and a frame's values do not
// depend on the time, so it is only kept in range.
double hostTime(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return 0;
    return std::fmod(seconds, 60000.0);
}

constexpr double kFps = 30;

}  // namespace

BridgeInstance::BridgeInstance(BridgeRuntime& runtime, unsigned width, unsigned height)
    : mRuntime(runtime),
      mWidth(static_cast<int>(width)),
      mHeight(static_cast<int>(height)),
      mEffect(nullptr, {&runtime}),
      mInput(std::max(1, mWidth), std::max(1, mHeight)),
      mOutput(std::max(1, mWidth), std::max(1, mHeight)) {
    const auto& entries = paramEntries();
    for (const ParamEntry& entry : entries) {
        mMappings.push_back(Mapping::fromEntry(entry));
        mHostIndex.push_back(-1);
        Value v = fromHost(mMappings.back(), entry.def, mWidth, mHeight);
        if (entry.kind == Kind::Point) v.position = {entry.def[0] / 100, entry.def[1] / 100};
        mValues.push_back(v);
        mSet.push_back(false);
    }

    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    if (mWidth <= 0 || mHeight <= 0) {
        mRuntime.report("frames of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels cannot be rendered; they pass through unchanged");
        return;
    }
    mEffect = mRuntime.newEffect(mWidth, mHeight);
    if (!mEffect) return;
    // Bind each frei0r parameter to the effect's entry of that name and take its range
    // from the registered definition.
    for (size_t i = 0; i < entries.size(); ++i) {
        const int index = mEffect->findParam(entries[i].name);
        try {
            if (index < 0)
                throw std::invalid_argument("the effect has no parameter \"" +
                                            std::string(entries[i].name) + "\"");
            const Host::Param& p = mEffect->params()[index];
            mMappings[i] = Mapping::fromRegistered(entries[i], p.registered, p.choicesText);
            mHostIndex[i] = index;
        } catch (const std::exception& e) {
            mRuntime.report(std::string(e.what()) + "; the frei0r parameter is ignored");
        }
    }
}

BridgeInstance::~BridgeInstance() {
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    mEffect.reset();
}

void BridgeInstance::setParam(int index, const void* param) {
    if (!param || index < 0 || index >= static_cast<int>(mValues.size())) return;
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    Value& v = mValues[index];
    const Mapping& m = mMappings[index];
    switch (m.kind) {
        case Kind::Popup: {
            const char* text = *static_cast<const char* const*>(param);
            if (!text) return;
            const int n = choiceNumber(m.choices, text);
            if (n == 0) {
                std::string list;
                for (size_t i = 0; i < m.choices.size(); ++i) {
                    list += (i ? ", " : "") + m.choices[i];
                }
                mRuntime.report(std::string("\"") + paramEntries()[index].name +
                                "\": unknown choice \"" + text + "\" (choices: " + list + ")");
                return;
            }
            v.text = m.choices[n - 1];
            break;
        }
        case Kind::Color:
            v.color = *static_cast<const f0r_param_color_t*>(param);
            break;
        case Kind::Point:
            v.position = *static_cast<const f0r_param_position_t*>(param);
            break;
        default: {
            const double d = *static_cast<const double*>(param);
            if (std::isnan(d)) return;
            v.number = d;
            break;
        }
    }
    mSet[index] = true;
}

void BridgeInstance::getParam(int index, void* param) {
    if (!param || index < 0 || index >= static_cast<int>(mValues.size())) return;
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    const Value& v = mValues[index];
    switch (mMappings[index].kind) {
        case Kind::Popup:
            // frei0r hands strings out as a pointer the plug-in keeps alive.
            *static_cast<const char**>(param) = v.text.c_str();
            break;
        case Kind::Color:
            *static_cast<f0r_param_color_t*>(param) = v.color;
            break;
        case Kind::Point:
            *static_cast<f0r_param_position_t*>(param) = v.position;
            break;
        default:
            *static_cast<double*>(param) = v.number;
            break;
    }
}

void BridgeInstance::passThrough(const uint32_t* in, uint32_t* out) const {
    if (in && out && in != out && mWidth > 0 && mHeight > 0) {
        std::memcpy(out, in, static_cast<size_t>(mWidth) * mHeight * 4);
    }
}

void BridgeInstance::pushValues() {
    for (size_t i = 0; i < mValues.size(); ++i) {
        if (mHostIndex[i] < 0) continue;
        if (mMappings[i].kind == Kind::Point && !mSet[i]) continue;
        mEffect->setValue(mHostIndex[i], toHost(mMappings[i], mValues[i], mWidth, mHeight));
    }
}

void BridgeInstance::update(double time, const uint32_t* in, uint32_t* out) {
    if (!out) return;
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    if (!mEffect || !in) {
        passThrough(in, out);
        return;
    }
    const size_t rowBytes = size_t(mWidth) * 4;
    mInput.readRGBA(reinterpret_cast<const uint8_t*>(in), rowBytes);
    mOutput.fill(PF_Pixel{0, 0, 0, 0});
    try {
        pushValues();
        mEffect->setTime(hostTime(time), kFps);
        const PF_Err err = mEffect->render(mInput, mOutput);
        if (err != PF_Err_NONE) {
            mRuntime.report("the effect failed to render a frame (error " + std::to_string(err) +
                            "); such frames pass through unchanged");
            passThrough(in, out);
            return;
        }
    } catch (const std::exception& e) {
        mRuntime.report(std::string("rendering failed: ") + e.what() +
                        "; such frames pass through unchanged");
        passThrough(in, out);
        return;
    }
    mOutput.writeRGBA(reinterpret_cast<uint8_t*>(out), rowBytes);
}

}  // namespace Corvane::Tessory::Frei0r
