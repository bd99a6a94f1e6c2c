#include "ObsFilter.h"

#include <util/profiler.h>

#include "BridgeRuntime.h"
#include "Host/EffectInstance.h"

namespace Corvane::Tessory::Obs {

namespace {
// A section of OBS's profiler, which shows it in OBS's log and to profiler snapshots: the
// filter's own time on the graphics thread ("qx_tessory_render"), and each step within it.
class Section {
  public:
    explicit Section(const char* name) : mName(name) { profile_start(name); }
    ~Section() { profile_end(mName); }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

  private:
    const char* mName;
};
// The size the effect is made for before a frame has come.
constexpr int kFirstWidth = 1920, kFirstHeight = 1080;
}  // namespace

ObsFilter::ObsFilter(Bridge::BridgeRuntime& runtime, const ObsSettings& settings,
                     obs_source_t* context)
    : mRuntime(runtime), mSettings(settings), mContext(context), mEffect(nullptr, {&runtime}) {}

ObsFilter::~ObsFilter() {
    {
        const Bridge::BridgeRuntime::Call call = mRuntime.call();
        mInput.reset();
        mOutput.reset();
        mEffect.reset();
    }
    obs_enter_graphics();
    mTarget.reset();
    mStage.reset();
    mResult.reset();
    mCopy.reset();
    obs_leave_graphics();
}

bool ObsFilter::haveEffect() {
    if (mEffect) return true;
    if (mFailed) return false;
    mEffect = mRuntime.newEffect(kFirstWidth, kFirstHeight);
    mFailed = !mEffect;
    return !mFailed;
}

void ObsFilter::update(obs_data_t* settings) {
    std::vector<std::string> messages;
    ObsSettings::Values values = mSettings.read(settings, messages);
    {
        const std::lock_guard<std::mutex> lock(mValuesMutex);
        mValues = std::move(values);
    }
    if (messages.empty()) return;
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    for (const std::string& m : messages) mRuntime.report(m);
}

void ObsFilter::applyVisibility(obs_properties_t* props, obs_data_t* settings) {
    std::vector<std::string> messages;
    const ObsSettings::Values values = mSettings.read(settings, messages);
    std::vector<bool> shown;
    {
        const Bridge::BridgeRuntime::Call call = mRuntime.call();
        if (!haveEffect()) return;
        for (const auto& [index, value] : values.at(kFirstWidth, kFirstHeight)) {
            mEffect->setValue(index, value);
        }
        if (mEffect->updateParamsUI() != PF_Err_NONE) return;
        for (size_t i = 0; i < mEffect->params().size(); ++i) {
            shown.push_back(!(mEffect->streamFlags(int(i)) & AEGP_DynStreamFlag_HIDDEN));
        }
    }
    mSettings.applyVisibility(props, shown);
}

void ObsFilter::resize(uint32_t width, uint32_t height) {
    mWidth = width;
    mHeight = height;
    mTarget.reset(gs_texrender_create(GS_RGBA, GS_ZS_NONE));
    mStage.reset(gs_stagesurface_create(width, height, GS_RGBA));
    mResult.reset(gs_texture_create(width, height, GS_RGBA, 1, nullptr, GS_DYNAMIC));
    if (!mCopy) {
        char* path = obs_module_file("tessory-copy.effect");
        mCopy.reset(path ? gs_effect_create_from_file(path, nullptr) : nullptr);
        bfree(path);
    }
}

bool ObsFilter::drawTarget(uint32_t width, uint32_t height) {
    gs_texrender_reset(mTarget.get());
    if (!gs_texrender_begin(mTarget.get(), width, height)) return false;
    // The target's pixels as they are, alpha included and sRGB bytes untouched: what lies
    // below, and in which light it blends, is OBS's business when the result is drawn.
    gs_blend_state_push();
    gs_enable_blending(false);
    const bool linear = gs_set_linear_srgb(false);
    vec4 clear;
    vec4_zero(&clear);
    gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
    gs_ortho(0.0f, float(width), 0.0f, float(height), -100.0f, 100.0f);
    const bool drawn =
        obs_source_process_filter_begin(mContext, GS_RGBA, OBS_ALLOW_DIRECT_RENDERING);
    if (drawn) {
        obs_source_process_filter_end(
            mContext, mCopy ? mCopy.get() : obs_get_base_effect(OBS_EFFECT_DEFAULT), width, height);
    }
    gs_set_linear_srgb(linear);
    gs_blend_state_pop();
    gs_texrender_end(mTarget.get());
    return drawn;
}

bool ObsFilter::renderEffect(const uint8_t* pixels, uint32_t lineSize, uint32_t width,
                             uint32_t height) {
    std::vector<std::pair<int, Host::ParamValue>> values;
    {
        const std::lock_guard<std::mutex> lock(mValuesMutex);
        values = mValues.at(int(width), int(height));
    }
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    try {
        const Section section("qx_tessory_effect");
        if (!mInput || mInput->width() != int(width) || mInput->height() != int(height)) {
            mInput.emplace(int(width), int(height));
            mOutput.emplace(int(width), int(height));
        }
        mInput->readRGBA(pixels, lineSize);
        for (const auto& [index, value] : values) mEffect->setValue(index, value);
        mEffect->setLayerSize(int(width), int(height));
        mEffect->setDownsample(1, 1);
        const PF_Err err = mEffect->render(*mInput, *mOutput);
        if (err != PF_Err_NONE) {
            mRuntime.report("the effect failed to render a frame (error " + std::to_string(err) +
                            "); such frames pass through unchanged");
            return false;
        }
    } catch (const std::exception& e) {
        mRuntime.report(std::string("rendering failed: ") + e.what() +
                        "; such frames pass through unchanged");
        return false;
    }
    const Section section("qx_tessory_upload");
    uint8_t* mapped = nullptr;
    uint32_t mappedLine = 0;
    if (!gs_texture_map(mResult.get(), &mapped, &mappedLine)) return false;
    mOutput->writeRGBA(mapped, mappedLine);
    gs_texture_unmap(mResult.get());
    return true;
}

void ObsFilter::drawTexture(gs_texture_t* texture, uint32_t width, uint32_t height) {
    // As OBS's own sRGB-aware sources draw: in linear light when the scene asks for it.
    const bool linear = gs_get_linear_srgb();
    const bool previous = gs_framebuffer_srgb_enabled();
    gs_enable_framebuffer_srgb(linear);
    gs_effect_t* effect = obs_get_base_effect(OBS_EFFECT_DEFAULT);
    gs_eparam_t* image = gs_effect_get_param_by_name(effect, "image");
    if (linear) {
        gs_effect_set_texture_srgb(image, texture);
    } else {
        gs_effect_set_texture(image, texture);
    }
    while (gs_effect_loop(effect, "Draw")) gs_draw_sprite(texture, 0, width, height);
    gs_enable_framebuffer_srgb(previous);
}

void ObsFilter::render() {
    // A filter removed from its source while libobs draws the frame that holds it is still
    // drawn, with neither target nor parent; there is nothing to draw, and skipping it would
    // have libobs follow the missing parent.
    obs_source_t* target = obs_filter_get_target(mContext);
    if (!target || !obs_filter_get_parent(mContext)) return;
    const uint32_t width = obs_source_get_base_width(target);
    const uint32_t height = obs_source_get_base_height(target);
    {
        const Bridge::BridgeRuntime::Call call = mRuntime.call();
        if (!width || !height || !mRuntime.admits(width, height) || !haveEffect()) {
            obs_source_skip_video_filter(mContext);
            return;
        }
    }
    const Section section("qx_tessory_render");
    if (width != mWidth || height != mHeight || !mTarget) resize(width, height);
    {
        const Section step("qx_tessory_target");
        if (!drawTarget(width, height)) return;
    }
    gs_texture_t* drawn = gs_texrender_get_texture(mTarget.get());
    {
        const Section step("qx_tessory_stage");
        gs_stage_texture(mStage.get(), drawn);
    }
    uint8_t* pixels = nullptr;
    uint32_t lineSize = 0;
    bool mapped = false;
    {
        const Section step("qx_tessory_map");
        mapped = gs_stagesurface_map(mStage.get(), &pixels, &lineSize);
    }
    const bool rendered = mapped && renderEffect(pixels, lineSize, width, height);
    if (mapped) gs_stagesurface_unmap(mStage.get());
    const Section step("qx_tessory_draw");
    drawTexture(rendered ? mResult.get() : drawn, width, height);
}

}  // namespace Corvane::Tessory::Obs
