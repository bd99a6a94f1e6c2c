// One "qx_tessory" filter of an OBS source. On OBS's graphics thread it draws its target
// into a texture, reads that back through a stage surface, renders the effect on the CPU
// at the source's size, and draws the result from a dynamic texture in the blend state OBS
// set, so transparent pixels show what lies below in the scene.
#pragma once

#include <obs-module.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "BridgeRuntime.h"
#include "Host/Layer.h"
#include "ObsSettings.h"

namespace Corvane::Tessory::Host {
class EffectInstance;
}

namespace Corvane::Tessory::Obs {

/// Deletes one graphics object of libobs; only inside obs_enter_graphics.
template <typename T, void (*destroy)(T*)>
struct GsDelete {
    void operator()(T* object) const { destroy(object); }
};
template <typename T, void (*destroy)(T*)>
using GsObject = std::unique_ptr<T, GsDelete<T, destroy>>;
using TexRender = GsObject<gs_texrender_t, gs_texrender_destroy>;
using StageSurface = GsObject<gs_stagesurf_t, gs_stagesurface_destroy>;
using Texture = GsObject<gs_texture_t, gs_texture_destroy>;
using Effect = GsObject<gs_effect_t, gs_effect_destroy>;

class ObsFilter {
  public:
    /// The read-back is mapped in the frame that staged it: on llvmpipe the wait lies in the
    /// staging, and a ring of stage surfaces a frame late gained nothing measurable.
    ObsFilter(Bridge::BridgeRuntime& runtime, const ObsSettings& settings, obs_source_t* context);
    ~ObsFilter();
    ObsFilter(const ObsFilter&) = delete;
    ObsFilter& operator=(const ObsFilter&) = delete;

    obs_source_t* context() const { return mContext; }

    /// The settings changed (any thread): keeps their values for the next frame.
    void update(obs_data_t* settings);
    /// On the graphics thread, inside the filter's video_render.
    void render();
    /// The effect's visibility rules for these settings (Edge Type shows the shadow's or the
    /// stroke's controls), applied to the dialog.
    void applyVisibility(obs_properties_t* props, obs_data_t* settings);

  private:
    /// Draws the target into mTarget; false when it drew nothing.
    bool drawTarget(uint32_t width, uint32_t height);
    /// Renders the effect from a mapped picture into mResult; false if it did not.
    bool renderEffect(const uint8_t* pixels, uint32_t lineSize, uint32_t width, uint32_t height);
    void drawTexture(gs_texture_t* texture, uint32_t width, uint32_t height);
    /// Makes the graphics objects for frames of that size.
    void resize(uint32_t width, uint32_t height);
    bool haveEffect();

    Bridge::BridgeRuntime& mRuntime;
    const ObsSettings& mSettings;
    obs_source_t* mContext;

    std::mutex mValuesMutex;
    ObsSettings::Values mValues;

    Bridge::BridgeRuntime::Effect mEffect;
    bool mFailed = false;
    std::optional<Host::Layer> mInput;
    std::optional<Host::Layer> mOutput;

    uint32_t mWidth = 0, mHeight = 0;
    TexRender mTarget;
    StageSurface mStage;
    Texture mResult;
    Effect mCopy;  // draws the target into mTarget; OBS's default effect when missing
};

}  // namespace Corvane::Tessory::Obs
