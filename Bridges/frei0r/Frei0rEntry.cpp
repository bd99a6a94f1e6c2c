// The frei0r entry points. Nothing may throw across them: frei0r hosts are C programs.
#include <exception>
#include <mutex>

#include "BridgeInstance.h"
#include "BridgeParams.h"
#include "BridgeRuntime.h"
#include "Frei0rApi.h"

#define TESSORY_F0R_EXPORT extern "C" __attribute__((visibility("default")))

using Corvane::Tessory::Bridge::BridgeRuntime;
using Corvane::Tessory::Frei0r::BridgeInstance;
namespace bridge = Corvane::Tessory::Frei0r;

namespace {

BridgeRuntime& runtime() {
    static BridgeRuntime rt("frei0r");
    return rt;
}

BridgeInstance* asInstance(f0r_instance_t instance) {
    return static_cast<BridgeInstance*>(instance);
}

template <typename F>
void guarded(const char* what, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        BridgeRuntime& rt = runtime();
        const BridgeRuntime::Call call = rt.call();
        rt.report(std::string(what) + ": " + e.what());
    } catch (...) {
        BridgeRuntime& rt = runtime();
        const BridgeRuntime::Call call = rt.call();
        rt.report(std::string(what) + ": unknown failure");
    }
}

}  // namespace

TESSORY_F0R_EXPORT int f0r_init() {
    BridgeRuntime& rt = runtime();
    const BridgeRuntime::Call call = rt.call();
    rt.init();
    return 1;
}

TESSORY_F0R_EXPORT void f0r_deinit() {
    guarded("f0r_deinit", [] {
        BridgeRuntime& rt = runtime();
        const BridgeRuntime::Call call = rt.call();
        rt.deinit();
    });
}

TESSORY_F0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (!info) return;
    info->name = "tessory";
    info->author = "Corvane";
    info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 1;
    info->minor_version = 0;
    info->num_params = static_cast<int>(bridge::paramEntries().size());
    info->explanation =
        "QX Tessory: cuts a shape out of the frame, gives it a shadow or a stroke and "
        "repeats it as up to 20 echo instances";
}

TESSORY_F0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
    const auto& entries = bridge::paramEntries();
    if (!info || param_index < 0 || param_index >= static_cast<int>(entries.size())) return;
    info->name = entries[param_index].name;
    info->type = bridge::frei0rType(entries[param_index].kind);
    info->explanation = bridge::explanation(param_index);
}

TESSORY_F0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    BridgeInstance* made = nullptr;
    guarded("f0r_construct", [&] {
        BridgeRuntime& rt = runtime();
        {
            // A size over the limit is refused before its layers exist.
            const BridgeRuntime::Call call = rt.call();
            if (width > 0 && height > 0 && !rt.admits(width, height)) return;
        }
        made = new BridgeInstance(rt, width, height);
    });
    return made;
}

TESSORY_F0R_EXPORT void f0r_destruct(f0r_instance_t instance) {
    guarded("f0r_destruct", [&] { delete asInstance(instance); });
}

TESSORY_F0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param,
                                            int param_index) {
    if (!instance) return;
    guarded("f0r_set_param_value", [&] { asInstance(instance)->setParam(param_index, param); });
}

TESSORY_F0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param,
                                            int param_index) {
    if (!instance) return;
    guarded("f0r_get_param_value", [&] { asInstance(instance)->getParam(param_index, param); });
}

TESSORY_F0R_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe,
                                   uint32_t* outframe) {
    if (!instance) return;
    guarded("f0r_update", [&] { asInstance(instance)->update(time, inframe, outframe); });
}

// Filters may also be driven through the mixer entry; only the first input counts.
TESSORY_F0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                    const uint32_t* /*inframe2*/, const uint32_t* /*inframe3*/,
                                    uint32_t* outframe) {
    f0r_update(instance, time, inframe1, outframe);
}
