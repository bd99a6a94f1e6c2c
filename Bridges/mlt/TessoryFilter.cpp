#include "TessoryFilter.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "BridgeRuntime.h"
#include "Host/EffectInstance.h"

namespace Corvane::Tessory::Mlt {

namespace {

/// The host API's downsampling is 1/N; a preview at another ratio (Shotcut's 720p preview
/// of 1080p) is drawn at the nearest 1/N, so its sizes are off by the difference.
A_u_long downsampleFactor(int width, int profileWidth) {
    if (width >= profileWidth || width <= 0) return 1;
    return static_cast<A_u_long>(std::lround(double(profileWidth) / width));
}

}  // namespace

TessoryFilter::TessoryFilter(Bridge::BridgeRuntime& runtime, mlt_filter filter)
    : mRuntime(runtime), mFilter(filter), mEffect(nullptr, {&runtime}) {}

TessoryFilter::~TessoryFilter() {
    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    mInput.reset();
    mOutput.reset();
    mEffect.reset();
}

bool TessoryFilter::ready(int profileWidth, int profileHeight) {
    if (mEffect) return true;
    if (mFailed) return false;
    mEffect = mRuntime.newEffect(profileWidth, profileHeight);
    if (!mEffect) {
        mFailed = true;
        return false;
    }
    mValues.emplace(Cli::ParamInfo::listOf(*mEffect));
    return true;
}

int TessoryFilter::getImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width,
                            int* height) {
    *format = mlt_image_rgba;
    const int error = mlt_frame_get_image(frame, image, format, width, height, 1);
    if (error || !*image || *format != mlt_image_rgba || *width <= 0 || *height <= 0) return error;

    mlt_service service = MLT_FILTER_SERVICE(mFilter);
    const mlt_profile profile = mlt_service_profile(service);
    PropertyValues::Frame at;
    at.position = mlt_filter_get_position(mFilter, frame);
    at.length = mlt_filter_get_length2(mFilter, frame);
    // Sizes and the centre are in pixels of the profile's frame; a smaller request (a
    // preview, a proxy, preview scaling) renders at that ratio, as a host's downsampling.
    at.profileWidth = profile && profile->width > 0 ? profile->width : *width;
    at.profileHeight = profile && profile->height > 0 ? profile->height : *height;
    const double fps = profile ? mlt_profile_fps(profile) : 25;

    const Bridge::BridgeRuntime::Call call = mRuntime.call();
    // MLT has already made the frame; the effect's layers for it are not made.
    if (!mRuntime.admits(*width, *height)) return 0;
    if (!ready(at.profileWidth, at.profileHeight)) return 0;
    std::vector<std::string> messages;
    std::vector<std::pair<int, Host::ParamValue>> values;
    mlt_service_lock(service);
    try {
        values = mValues->at(MLT_FILTER_PROPERTIES(mFilter), at, messages);
    } catch (const std::exception& e) {
        messages.push_back(e.what());
    }
    mlt_service_unlock(service);
    for (const std::string& m : messages) mRuntime.report(m);
    if (values.empty()) return 0;

    try {
        if (!mInput || mInput->width() != *width || mInput->height() != *height) {
            mInput.emplace(*width, *height);
            mOutput.emplace(*width, *height);
        }
        const size_t rowBytes = size_t(*width) * 4;
        mInput->readRGBA(*image, rowBytes);
        for (const auto& [index, value] : values) mEffect->setValue(index, value);
        mEffect->setLayerSize(at.profileWidth, at.profileHeight);
        mEffect->setDownsample(1, downsampleFactor(*width, at.profileWidth));
        // The values are MLT's, read above; the host's clock only has to stay in its range.
        const double rate = fps > 0 && fps <= 1000 ? fps : 25;
        mEffect->setTime(std::fmod(std::max(0, at.position) / rate, 60000.0), rate);
        const PF_Err err = mEffect->render(*mInput, *mOutput);
        if (err != PF_Err_NONE) {
            mRuntime.report("the effect failed to render a frame (error " + std::to_string(err) +
                            "); such frames pass through unchanged");
            return 0;
        }
        mOutput->writeRGBA(*image, rowBytes);
    } catch (const std::exception& e) {
        mRuntime.report(std::string("rendering failed: ") + e.what() +
                        "; such frames pass through unchanged");
    }
    return 0;
}

}  // namespace Corvane::Tessory::Mlt
