// Real libobs, headless: libobs on its OpenGL module through EGL on the X display that
// DISPLAY names (the tests and the benchmark run under xvfb-run), OBS's image source and the module
// under test loaded as OBS loads plug-ins, one scene on output channel 0, and the composited frames
// read back on the CPU.
#pragma once

#include <obs.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace Corvane::Tessory::Testing {

class ObsSession {
  public:
    /// Canvas and output of width x height at fps frames a second. Throws std::runtime_error
    /// when the display, libobs or a module does not start.
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
    /// The frame after `frames` frames with a filter of these settings on source; the filter
    /// is removed and released after.
    std::vector<uint8_t> frameWith(obs_source_t* source, const std::string& settingsJson,
                                   int frames = 4);
    /// Waits until libobs has rendered `frames` more frames (the output repeats a frame when
    /// rendering lags; these are drawn ones).
    void renderedAfter(uint32_t frames);
    /// Returns once every source released so far is destroyed: libobs destroys them on a
    /// thread of its own, after the graphics thread has let go of them, and a loaded machine
    /// can lag any fixed number of frames behind.
    void settle();
    /// What libobs logged at warning level or above.
    std::string problems();

  private:
    /// A source of that kind with these settings (JSON), added to the scene; kept.
    obs_source_t* addToScene(const char* id, const std::string& settingsJson);
    static void onFrame(void* self, video_data* frame);
    static void onLog(int level, const char* format, va_list args, void* self);

    uint32_t mWidth, mHeight;
    void* mDisplay;  // Xlib's Display*
    obs_scene_t* mScene = nullptr;
    std::vector<obs_source_t*> mSources;

    std::mutex mMutex;
    std::condition_variable mArrived;
    uint64_t mFrames = 0;
    std::vector<uint8_t> mLast;  // BGRA
    std::string mProblems;
};

}  // namespace Corvane::Tessory::Testing
