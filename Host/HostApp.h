// The host process: the basic suite and every suite the plug-in asks for, the utility
// callbacks, the stores of memory and streams they hand out, the script engine, and a GL
// context of its own on each thread that sends commands. What a test needs to see or steer
// goes through an attached HostObserver; without one nothing is recorded.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Host/HostCalls.h"
#include "Host/HostMemory.h"
#include "Host/StreamRegistry.h"
#include "SPBasic.h"

namespace Corvane::Tessory::Host {

class HostGLContext;
class HostSuites;
class ScriptEngine;

class HostApp {
  public:
    /// Throws HostError when too many hosts are alive at once (each has its own tables).
    HostApp();
    ~HostApp();
    HostApp(const HostApp&) = delete;
    HostApp& operator=(const HostApp&) = delete;

    /// This host's basic suite (also handed in every PF_InData).
    SPBasicSuite* basicSuite();
    /// This host's utility callbacks (PF_InData::utils).
    PF_UtilCallbacks* utilCallbacks();
    /// This host's interaction callbacks (PF_InData::inter).
    const PF_InteractCallbacks& interactCallbacks();

    /// Attaches the observer that sees every call from now on (null detaches). Attach or
    /// detach only while no command is running; the observer must outlive its attachment.
    void setObserver(HostObserver* observer) { mCalls.setObserver(observer); }
    HostObserver* observer() const { return mCalls.observer(); }

    /// What the plug-in holds of this host and has not given back.
    struct LiveObjects {
        int suites = 0;         // acquisitions with a table, not yet released
        int handles = 0;        // PF handles not disposed of
        int memHandles = 0;     // AEGP memory handles not freed
        int effectHandles = 0;  // AEGP effect handles not disposed of
        int streamHandles = 0;  // AEGP stream handles not disposed of
        int blocks = 0;         // SPBasicSuite blocks not freed
    };
    LiveObjects liveObjects() const;

    // GL.
    /// The calling thread's host context (made on first use), as an EGLContext; null when
    /// the host provides none or EGL failed. Does not change what is current.
    void* hostContext();
    /// Makes the calling thread's host context current; false when there is none.
    bool makeHostContextCurrent();
    /// With false, commands are sent with no context current and hostContext() is null.
    void setProvidesGLContext(bool provides);
    bool providesGLContext() const;

    /// How frames are rendered. GL: the host offers OpenGL with every command (the
    /// default). CPU: it offers no GPU framework and needs no GL. Auto: GL when a hardware
    /// GL device is there (the EGL device platform, or a renderer that is not a software
    /// rasteriser), the CPU otherwise.
    enum class Renderer { Auto, GL, CPU };
    void setRenderer(Renderer renderer);
    /// "auto", "gl" or "cpu"; false for anything else.
    static bool parseRenderer(std::string_view text, Renderer* renderer);
    /// The framework each command offers (PF_InData::what_gpu): OPENGL or NONE. Auto is
    /// decided on first use, with the calling thread's host context.
    PF_GPU_Framework gpuFramework();
    /// "cpu", or "gl (" and the GL renderer's name ")", for messages.
    std::string rendererDescription();

    ScriptEngine& scriptEngine();

    // The runtime's own parts, for the effect instances it drives.
    const HostCalls& calls() const { return mCalls; }
    StreamRegistry& streams() { return mStreams; }

  private:
    friend class HostSuites;  // the suite tables call the bodies below

    SPErr acquireSuite(const char* name, int32_t version, const void** suite);
    SPErr releaseSuite(const char* name, int32_t version);
    A_Err reportInfo(const A_char* text);
    A_Err executeScript(const A_char* script, A_Boolean platformEncoding, AEGP_MemHandle* resultH,
                        AEGP_MemHandle* errorH);
    PF_Err iterate(PF_InData* in_data, PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                   PF_IteratePixelFloatFunc fn, PF_EffectWorld* dst);
    PF_Err pixelData(const char* call, int depth, PF_EffectWorld* world, PF_PixelPtr pixels,
                     void** result);

    HostCalls mCalls;
    HostMemory mMemory{mCalls};
    StreamRegistry mStreams{mCalls};
    int mSlot = -1;
    mutable std::recursive_mutex mMutex;
    std::map<std::pair<std::string, int32_t>, int> mAcquired;
    bool mProvidesGL = true;
    Renderer mRenderer = Renderer::GL;
    bool mDecided = false;  // mFramework holds the answer for mRenderer
    PF_GPU_Framework mFramework = PF_GPU_Framework_OPENGL;
    std::string mGLRenderer;
    std::map<std::thread::id, std::unique_ptr<HostGLContext>> mContexts;
    std::unique_ptr<ScriptEngine> mScript;
};

}  // namespace Corvane::Tessory::Host
