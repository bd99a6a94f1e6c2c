// The MLT module: registers the "tessory" filter and its metadata. Nothing may throw into
// MLT, a C library.
#include <framework/mlt.h>

#include <cstdio>
#include <exception>
#include <mutex>

#include "BridgeRuntime.h"
#include "Host/EffectInstance.h"
#include "TessoryFilter.h"
#include "params/ParamInfo.h"

using Corvane::Tessory::Bridge::BridgeRuntime;
using Corvane::Tessory::Cli::ParamInfo;
using Corvane::Tessory::Mlt::TessoryFilter;

namespace {

constexpr char kState[] = "_tessory";

BridgeRuntime& runtime() {
    static BridgeRuntime rt("mlt");
    return rt;
}

int getImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width, int* height,
             int /*writable*/) {
    auto filter = static_cast<mlt_filter>(mlt_frame_pop_service(frame));
    auto* state = static_cast<TessoryFilter*>(
        mlt_properties_get_data(MLT_FILTER_PROPERTIES(filter), kState, nullptr));
    if (!state) return mlt_frame_get_image(frame, image, format, width, height, 1);
    try {
        return state->getImage(frame, image, format, width, height);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessory (mlt): %s\n", e.what());
        return 0;
    }
}

mlt_frame process(mlt_filter filter, mlt_frame frame) {
    mlt_frame_push_service(frame, filter);
    mlt_frame_push_get_image(frame, getImage);
    return frame;
}

void destroyState(void* state) {
    delete static_cast<TessoryFilter*>(state);
}

void* filterInit(mlt_profile, mlt_service_type, const char*, const void*) {
    mlt_filter filter = mlt_filter_new();
    if (!filter) return nullptr;
    try {
        auto* state = new TessoryFilter(runtime(), filter);
        mlt_properties_set_data(MLT_FILTER_PROPERTIES(filter), kState, state, 0, destroyState,
                                nullptr);
        filter->process = process;
        return filter;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessory (mlt): %s\n", e.what());
        mlt_filter_close(filter);
        return nullptr;
    }
}

/// The registered list, read from the effect once per process.
const std::vector<ParamInfo>& registeredParams() {
    static const std::vector<ParamInfo> params = [] {
        std::vector<ParamInfo> list;
        BridgeRuntime& rt = runtime();
        const BridgeRuntime::Call call = rt.call();
        auto effect = rt.newEffect(1920, 1080);
        if (!effect) return list;
        for (ParamInfo& info : ParamInfo::listOf(*effect)) {
            if (info.settable()) list.push_back(std::move(info));
        }
        effect.reset();
        return list;
    }();
    return params;
}

mlt_properties describe(const ParamInfo& info) {
    mlt_properties p = mlt_properties_new();
    mlt_properties_set(p, "identifier", info.name.c_str());
    mlt_properties_set(p, "title", info.name.c_str());
    mlt_properties_set(p, "mutable", "yes");
    // Menus and the checkbox hold each key until the next; the rest interpolate.
    mlt_properties_set(p, "animation", "yes");
    const std::string def = info.formatDefault();
    switch (info.type) {
        case PF_Param_POPUP: {
            mlt_properties_set(p, "type", "string");
            mlt_properties_set(p, "widget", "combo");
            mlt_properties_set(p, "default",
                               info.choices.at(size_t(info.defaultValue[0]) - 1).c_str());
            mlt_properties values = mlt_properties_new();
            for (size_t i = 0; i < info.choices.size(); ++i)
                mlt_properties_set(values, std::to_string(i).c_str(), info.choices[i].c_str());
            mlt_properties_set_data(p, "values", values, 0, (mlt_destructor)mlt_properties_close,
                                    nullptr);
            mlt_properties_set(p, "description", "a choice's text or its number, counted from 1");
            break;
        }
        case PF_Param_CHECKBOX:
            mlt_properties_set(p, "type", "boolean");
            mlt_properties_set(p, "widget", "checkbox");
            mlt_properties_set_int(p, "default", int(info.defaultValue[0]));
            break;
        case PF_Param_COLOR:
            mlt_properties_set(p, "type", "color");
            mlt_properties_set(p, "widget", "color");
            mlt_properties_set(p, "default", def.c_str());
            mlt_properties_set(p, "description", "#RRGGBB, #AARRGGBB or 0xRRGGBBAA");
            break;
        case PF_Param_POINT:
            mlt_properties_set(p, "type", "rect");
            mlt_properties_set(p, "unit", "pixels");
            mlt_properties_set(p, "description",
                               "x y in pixels of the profile's frame (default its centre), or a "
                               "rectangle x y w h whose centre it is");
            break;
        default:
            mlt_properties_set(p, "type", info.type == PF_Param_SLIDER ? "integer" : "float");
            mlt_properties_set(p, "widget", "spinner");
            mlt_properties_set_double(p, "default", info.defaultValue[0]);
            if (info.hasValidRange) {
                mlt_properties_set_double(p, "minimum", info.validMin);
                mlt_properties_set_double(p, "maximum", info.validMax);
            }
            mlt_properties_set(p, "unit",
                               info.type == PF_Param_ANGLE ? "degrees"
                               : info.percent              ? "%"
                               : info.name == "Instances"  ? "instances"
                                                           : "pixels");
            break;
    }
    return p;
}

mlt_properties metadata(mlt_service_type, const char*, void*) {
    mlt_properties meta = mlt_properties_new();
    mlt_properties_set(meta, "schema_version", "7.0");
    mlt_properties_set(meta, "type", "filter");
    mlt_properties_set(meta, "identifier", "tessory");
    mlt_properties_set(meta, "title", "QX Tessory");
    mlt_properties_set(meta, "version", "1.0");
    mlt_properties_set(meta, "creator", "QX Tessory");
    mlt_properties_set(meta, "description",
                       "Cuts a shape out of the picture, gives it a shadow or a stroke and "
                       "repeats it as echoes; values in pixels, degrees, per cent and counts");
    mlt_properties tags = mlt_properties_new();
    mlt_properties_set(tags, "0", "Video");
    mlt_properties_set_data(meta, "tags", tags, 0, (mlt_destructor)mlt_properties_close, nullptr);
    mlt_properties params = mlt_properties_new();
    try {
        const auto& list = registeredParams();
        for (size_t i = 0; i < list.size(); ++i) {
            mlt_properties_set_data(params, std::to_string(i).c_str(), describe(list[i]), 0,
                                    (mlt_destructor)mlt_properties_close, nullptr);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessory (mlt): %s\n", e.what());
    }
    mlt_properties_set_data(meta, "parameters", params, 0, (mlt_destructor)mlt_properties_close,
                            nullptr);
    return meta;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void mlt_register(mlt_repository repository) {
    MLT_REGISTER(mlt_service_filter_type, "tessory", filterInit);
    MLT_REGISTER_METADATA(mlt_service_filter_type, "tessory", metadata, nullptr);
}
