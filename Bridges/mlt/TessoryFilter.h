// One "tessory" filter of an MLT graph: an effect of its own on the bridge runtime, its
// parameters read from the filter's properties at each frame's position, and frames
// rendered in place in MLT's RGBA layout.
#pragma once

#include <framework/mlt.h>

#include <memory>
#include <optional>

#include "BridgeRuntime.h"
#include "Host/Layer.h"
#include "PropertyValues.h"

namespace Corvane::Tessory::Host {
class EffectInstance;
}

namespace Corvane::Tessory::Mlt {

class TessoryFilter {
  public:
    /// The filter owns this object through its "tessory" property; frames call getImage.
    TessoryFilter(Bridge::BridgeRuntime& runtime, mlt_filter filter);
    ~TessoryFilter();
    TessoryFilter(const TessoryFilter&) = delete;
    TessoryFilter& operator=(const TessoryFilter&) = delete;

    /// Asks the frame for RGBA pixels and draws the effect into them. Several threads may
    /// call it at once for different frames (MLT's real_time below -1): the values are read
    /// under the service's lock, and the plug-in takes one frame at a time, so each frame
    /// is what one thread would draw. Frames the effect cannot draw pass through unchanged.
    int getImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width,
                 int* height);

  private:
    /// Makes the effect on first use; false (after a report) when there is none to use.
    bool ready(int profileWidth, int profileHeight);

    Bridge::BridgeRuntime& mRuntime;
    mlt_filter mFilter;
    Bridge::BridgeRuntime::Effect mEffect;
    std::optional<PropertyValues> mValues;
    bool mFailed = false;
    std::optional<Host::Layer> mInput;
    std::optional<Host::Layer> mOutput;
};

}  // namespace Corvane::Tessory::Mlt
