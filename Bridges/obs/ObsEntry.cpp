// The OBS module "qx-tessory": registers the "qx_tessory" video filter. Nothing may throw
// into libobs, a C library.
#include <obs-module.h>

#include <exception>
#include <memory>
#include <optional>

#include "BridgeRuntime.h"
#include "Host/EffectInstance.h"
#include "ObsFilter.h"
#include "ObsSettings.h"

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("qx-tessory", "en-US")

using Corvane::Tessory::Bridge::BridgeRuntime;
using Corvane::Tessory::Cli::ParamInfo;
using Corvane::Tessory::Obs::ObsFilter;
using Corvane::Tessory::Obs::ObsSettings;

namespace {

BridgeRuntime& runtime() {
    // OBS renders filters on its graphics thread, with its own GL context current; users
    // read OBS's log.
    static BridgeRuntime rt("obs", true, [](const std::string& message) {
        blog(LOG_WARNING, "[qx-tessory] %s", message.c_str());
    });
    return rt;
}

/// The effect's registration, read once per load: the settings table and the parameters
/// whose changes the effect supervises (they decide what the dialog shows).
struct Catalog {
    ObsSettings settings;
    std::vector<int> supervised;
};
std::optional<Catalog>& catalog() {
    static std::optional<Catalog> c;
    return c;
}

bool readCatalog() {
    BridgeRuntime& rt = runtime();
    const BridgeRuntime::Call call = rt.call();
    auto effect = rt.newEffect(1920, 1080);
    if (!effect) return false;
    std::vector<int> supervised;
    for (size_t i = 0; i < effect->params().size(); ++i) {
        if (effect->params()[i].registered.flags & PF_ParamFlag_SUPERVISE) {
            supervised.push_back(int(i));
        }
    }
    catalog().emplace(Catalog{ObsSettings(ParamInfo::listOf(*effect)), std::move(supervised)});
    effect.reset();
    return true;
}

const char* name(void*) {
    return obs_module_text("QXTessory");
}

void* create(obs_data_t* settings, obs_source_t* source) {
    try {
        auto filter = std::make_unique<ObsFilter>(runtime(), catalog()->settings, source);
        filter->update(settings);
        return filter.release();
    } catch (const std::exception& e) {
        blog(LOG_ERROR, "[qx-tessory] cannot make the filter: %s", e.what());
        return nullptr;
    }
}

void destroy(void* data) {
    delete static_cast<ObsFilter*>(data);
}

void update(void* data, obs_data_t* settings) {
    try {
        static_cast<ObsFilter*>(data)->update(settings);
    } catch (const std::exception& e) {
        blog(LOG_ERROR, "[qx-tessory] %s", e.what());
    }
}

void defaults(obs_data_t* settings) {
    catalog()->settings.setDefaults(settings);
}

bool supervisedChanged(void* data, obs_properties_t* props, obs_property_t*, obs_data_t* settings) {
    try {
        static_cast<ObsFilter*>(data)->applyVisibility(props, settings);
    } catch (const std::exception& e) {
        blog(LOG_ERROR, "[qx-tessory] %s", e.what());
    }
    return true;
}

obs_properties_t* properties(void* data) {
    if (!data) return catalog()->settings.properties({}, nullptr, nullptr);
    obs_properties_t* props =
        catalog()->settings.properties(catalog()->supervised, supervisedChanged, data);
    obs_data_t* settings = obs_source_get_settings(static_cast<const ObsFilter*>(data)->context());
    supervisedChanged(data, props, nullptr, settings);
    obs_data_release(settings);
    return props;
}

void render(void* data, gs_effect_t*) {
    try {
        static_cast<ObsFilter*>(data)->render();
    } catch (const std::exception& e) {
        blog(LOG_ERROR, "[qx-tessory] %s", e.what());
    }
}

}  // namespace

MODULE_EXPORT const char* obs_module_description(void) {
    return "QX Tessory: a shape cut from the source, with a shadow or a stroke, and its echoes";
}

bool obs_module_load(void) {
    runtime().init();
    try {
        if (!readCatalog()) {
            blog(LOG_ERROR, "[qx-tessory] the effect module %s cannot be loaded; no filter",
                 runtime().modulePath().c_str());
            runtime().deinit();
            return false;
        }
    } catch (const std::exception& e) {
        blog(LOG_ERROR, "[qx-tessory] %s", e.what());
        runtime().deinit();
        return false;
    }
    obs_source_info info{};
    info.id = "qx_tessory";
    info.type = OBS_SOURCE_TYPE_FILTER;
    // sRGB-aware as OBS's image and media sources are: a filter that is not makes OBS draw
    // such a source into a texture of its own first, one more full-frame pass.
    info.output_flags = OBS_SOURCE_VIDEO | OBS_SOURCE_SRGB;
    info.get_name = name;
    info.create = create;
    info.destroy = destroy;
    info.update = update;
    info.get_defaults = defaults;
    info.get_properties = properties;
    info.video_render = render;
    obs_register_source(&info);
    return true;
}

void obs_module_unload(void) {
    catalog().reset();
    runtime().deinit();
}
