// Real libobs, headless: an X server of its own (Xvfb), libobs on its OpenGL module through
// EGL on that display, OBS's image source and the module under test loaded as OBS loads
// plug-ins, one scene on output channel 0, and the composited frames read back on the CPU.
#pragma once

#include <obs.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "VirtualDisplay.h"

namespace Corvane::Tessory::Testing {

class ObsSession {
  public:
    /// Canvas and output of width x height at fps frames a second. Throws std::runtime_error
    /// when Xvfb, libobs or a module does not start.
    ObsSession(uint32_t width, uint32_t height, uint32_t fps = 30);
    ~ObsSession();
    ObsSession(const ObsSession&) = delete;
    ObsSession& operator=(const ObsSession&) = delete;

    /// An image source of the picture, added to the scene at the top left; the session
    /// keeps it.
    obs_source_t* addImage(const std::string& path);
    /// A colour source (OBS colour, 0xAABBGGRR) over the whole canvas, added to the scene.
    void addColour(uint32_t colour);
    /// A "qx_tessory" filter with these settings (JSON, as a scene collection has them) on
    /// source; the caller releases it (obs_source_release) after obs_source_filter_remove.
    obs_source_t* addFilter(obs_source_t* source, const std::string& settingsJson);

    /// The composited frame after `frames` more frames have come, as RGBA bytes.
    std::vector<uint8_t> frameAfter(int frames);
    /// Waits until libobs has rendered `frames` more frames (the output repeats a frame when
    /// rendering lags; these are drawn ones).
    void renderedAfter(uint32_t frames);
    /// What libobs logged at warning level or above.
    std::string problems();

  private:
    static void onFrame(void* self, video_data* frame);
    static void onLog(int level, const char* format, va_list args, void* self);

    uint32_t mWidth, mHeight;
    VirtualDisplay mX;
    obs_scene_t* mScene = nullptr;
    std::vector<obs_source_t*> mSources;

    std::mutex mMutex;
    std::condition_variable mArrived;
    uint64_t mFrames = 0;
    std::vector<uint8_t> mLast;  // BGRA
    std::string mProblems;
};

}  // namespace Corvane::Tessory::Testing
