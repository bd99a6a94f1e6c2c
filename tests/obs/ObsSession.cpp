#include "ObsSession.h"

#include <X11/Xlib.h>
#include <obs-nix-platform.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

namespace Corvane::Tessory::Testing {

namespace {

void openModule(const std::string& path, const std::string& data) {
    obs_module_t* module = nullptr;
    if (obs_open_module(&module, path.c_str(), data.c_str()) != MODULE_SUCCESS ||
        !obs_init_module(module)) {
        throw std::runtime_error("OBS cannot load " + path);
    }
}

}  // namespace

ObsSession::ObsSession(uint32_t width, uint32_t height, uint32_t fps)
    : mWidth(width), mHeight(height), mDisplay(XOpenDisplay(nullptr)) {
    if (!mDisplay) throw std::runtime_error("no X display (run under xvfb-run)");
    base_set_log_handler(onLog, this);
    obs_set_nix_platform(OBS_NIX_PLATFORM_X11_EGL);
    obs_set_nix_platform_display(mDisplay);
    if (!obs_startup("en-US", nullptr, nullptr)) {
        throw std::runtime_error("obs_startup failed: " + problems());
    }
    obs_video_info video{};
    video.graphics_module = "libobs-opengl";
    video.fps_num = fps;
    video.fps_den = 1;
    video.base_width = video.output_width = width;
    video.base_height = video.output_height = height;
    video.output_format = VIDEO_FORMAT_BGRA;
    video.gpu_conversion = true;
    video.colorspace = VIDEO_CS_SRGB;
    video.range = VIDEO_RANGE_FULL;
    video.scale_type = OBS_SCALE_BICUBIC;
    if (obs_reset_video(&video) != OBS_VIDEO_SUCCESS) {
        throw std::runtime_error("obs_reset_video failed: " + problems());
    }
    // OBS Studio always has audio, and libobs counts on it: without an audio thread,
    // obs_shutdown does not wait for the sources still being destroyed, and a filter released
    // during the last frame is destroyed after its module is unloaded.
    const obs_audio_info audio{48000, SPEAKERS_STEREO};
    if (!obs_reset_audio(&audio)) throw std::runtime_error("obs_reset_audio failed: " + problems());
    openModule(TESSORY_OBS_SYSTEM_PLUGINS "/image-source.so",
               TESSORY_OBS_SYSTEM_DATA "/image-source");
    openModule(TESSORY_OBS_MODULE, TESSORY_OBS_MODULE_DATA);

    mScene = obs_scene_create("tessory-test");
    obs_set_output_source(0, obs_scene_get_source(mScene));
    obs_add_raw_video_callback(nullptr, onFrame, this);  // the output's own format
}

ObsSession::~ObsSession() {
    if (obs_initialized()) {
        obs_remove_raw_video_callback(onFrame, this);
        obs_set_output_source(0, nullptr);
        for (obs_source_t* s : mSources) obs_source_release(s);
        if (mScene) obs_scene_release(mScene);
        obs_shutdown();
    }
    base_set_log_handler(nullptr, nullptr);
    XCloseDisplay(static_cast<Display*>(mDisplay));
}

obs_source_t* ObsSession::addToScene(const char* id, const std::string& settingsJson) {
    obs_data_t* settings = obs_data_create_from_json(settingsJson.c_str());
    obs_source_t* source = obs_source_create(id, id, settings, nullptr);
    obs_data_release(settings);
    if (!source) throw std::runtime_error(std::string("no ") + id + ": " + settingsJson);
    mSources.push_back(source);
    obs_scene_add(mScene, source);
    return source;
}

obs_source_t* ObsSession::addImage(const std::string& path) {
    return addToScene("image_source", nlohmann::json{{"file", path}}.dump());
}

void ObsSession::addColour(uint32_t colour) {
    addToScene("color_source",
               nlohmann::json{{"color", colour}, {"width", mWidth}, {"height", mHeight}}.dump());
}

obs_source_t* ObsSession::addFilter(obs_source_t* source, const std::string& settingsJson) {
    obs_data_t* settings = obs_data_create_from_json(settingsJson.c_str());
    if (!settings) throw std::runtime_error("not JSON: " + settingsJson);
    obs_source_t* filter = obs_source_create("qx_tessory", "QX Tessory", settings, nullptr);
    obs_data_release(settings);
    if (!filter) throw std::runtime_error("no qx_tessory filter: " + problems());
    obs_source_filter_add(source, filter);
    return filter;
}

std::vector<uint8_t> ObsSession::frameAfter(int frames) {
    std::unique_lock<std::mutex> lock(mMutex);
    const uint64_t wanted = mFrames + uint64_t(frames);
    if (!mArrived.wait_for(lock, std::chrono::seconds(60), [&] { return mFrames >= wanted; })) {
        throw std::runtime_error("OBS delivered no frames for a minute");
    }
    std::vector<uint8_t> rgba(mLast);
    for (size_t i = 0; i < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    return rgba;
}

std::vector<uint8_t> ObsSession::frameWith(obs_source_t* source, const std::string& settingsJson,
                                           int frames) {
    obs_source_t* filter = addFilter(source, settingsJson);
    std::vector<uint8_t> frame = frameAfter(frames);
    obs_source_filter_remove(source, filter);
    obs_source_release(filter);
    return frame;
}

void ObsSession::renderedAfter(uint32_t frames) {
    const uint32_t wanted = obs_get_total_frames() + frames;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10 + frames);
    while (obs_get_total_frames() < wanted) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("libobs stopped rendering");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void ObsSession::settle() {
    obs_wait_for_destroy_queue();  // false only says there was nothing left to destroy
}

std::string ObsSession::problems() {
    const std::lock_guard<std::mutex> lock(mMutex);
    return mProblems;
}

void ObsSession::onFrame(void* self, video_data* frame) {
    auto* s = static_cast<ObsSession*>(self);
    {
        const std::lock_guard<std::mutex> lock(s->mMutex);
        s->mLast.resize(size_t(s->mWidth) * s->mHeight * 4);
        for (uint32_t y = 0; y < s->mHeight; ++y) {
            std::copy_n(frame->data[0] + size_t(y) * frame->linesize[0], size_t(s->mWidth) * 4,
                        s->mLast.data() + size_t(y) * s->mWidth * 4);
        }
        ++s->mFrames;
    }
    s->mArrived.notify_all();
}

void ObsSession::onLog(int level, const char* format, va_list args, void* self) {
    char line[2048];
    std::vsnprintf(line, sizeof line, format, args);
    if (level > LOG_WARNING) return;
    auto* s = static_cast<ObsSession*>(self);
    const std::lock_guard<std::mutex> lock(s->mMutex);
    s->mProblems += std::string(line) + "\n";
}

}  // namespace Corvane::Tessory::Testing
