// One frei0r instance: an effect of its own on the shared runtime, the frei0r values of
// its parameters, and the frames it converts between frei0r's R, G, B, A bytes and the
// host's A, R, G, B layers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "BridgeParams.h"
#include "BridgeRuntime.h"
#include "Host/Layer.h"

namespace Corvane::Tessory::Host {
class EffectInstance;
}

namespace Corvane::Tessory::Frei0r {

using Bridge::BridgeRuntime;

class BridgeInstance {
  public:
    /// Frames of width x height pixels. Without a loadable module the instance still
    /// exists and passes frames through.
    BridgeInstance(BridgeRuntime& runtime, unsigned width, unsigned height);
    ~BridgeInstance();
    BridgeInstance(const BridgeInstance&) = delete;
    BridgeInstance& operator=(const BridgeInstance&) = delete;

    /// param points at the frei0r type of that parameter (for strings: a char*). Unknown
    /// indices are ignored; an unknown choice text leaves the value as it was.
    void setParam(int index, const void* param);
    void getParam(int index, void* param);
    /// Renders in into out (width * height pixels each) at that time in seconds.
    void update(double time, const uint32_t* in, uint32_t* out);

    /// True when frames go through the effect.
    bool hosted() const { return mEffect != nullptr; }
    int width() const { return mWidth; }
    int height() const { return mHeight; }

  private:
    void passThrough(const uint32_t* in, uint32_t* out) const;
    void pushValues();

    BridgeRuntime& mRuntime;
    int mWidth;
    int mHeight;
    BridgeRuntime::Effect mEffect;
    std::vector<Mapping> mMappings;  // per frei0r parameter
    std::vector<int> mHostIndex;     // its position in the effect's list
    std::vector<Value> mValues;
    // "Shape Center" follows the effect's own default (the layer's centre) until set.
    std::vector<bool> mSet;
    Host::Layer mInput;
    Host::Layer mOutput;
};

}  // namespace Corvane::Tessory::Frei0r
