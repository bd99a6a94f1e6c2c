// What a bridge (the frei0r filter, the MLT and OBS modules) holds once per process: the host, the
// loaded effect module and its global set-up, one lock for everything that reaches the
// plug-in, and the errors already reported.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <streambuf>
#include <string>

#include "Host/PixelLimit.h"

namespace Corvane::Tessory::Host {
class EffectInstance;
class HostApp;
class PluginModule;
}  // namespace Corvane::Tessory::Host

namespace Corvane::Tessory::Bridge {

class BridgeRuntime {
  public:
    /// bridgeName says in messages which bridge speaks ("frei0r", "mlt", "obs"). Each bridge
    /// module keeps one runtime for the process. cpuOnly: the CPU renderer whatever
    /// TESSORY_RENDERER says, for hosts whose own GL context is current on the calling
    /// thread (OBS renders filters on its graphics thread). reporter: where messages go
    /// instead of stderr, for hosts with a log of their own.
    using Reporter = void (*)(const std::string& message);
    explicit BridgeRuntime(std::string bridgeName, bool cpuOnly = false,
                           Reporter reporter = nullptr);
    ~BridgeRuntime();
    BridgeRuntime(const BridgeRuntime&) = delete;
    BridgeRuntime& operator=(const BridgeRuntime&) = delete;

    /// One call from a thread of the host: holds the runtime's lock while it lives (the
    /// plug-in takes one command at a time, and hosts call from any thread), then hands the
    /// thread back with no EGL state (Host::HostGLContext::releaseThread). Hosts end their
    /// threads whenever they please, even while the process exits, and libEGL cannot clean
    /// up a thread that ends then. So every entry point that reaches the effect from a host
    /// thread does so through a Call, and no EGL state outlives it on that thread.
    class [[nodiscard]] Call {
      public:
        explicit Call(std::mutex& mutex) : mLock(mutex) {}
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

      private:
        std::unique_lock<std::mutex> mLock;
    };
    /// Everything below is called inside a Call.
    Call call() { return Call(mMutex); }

    /// The host's module initialisation and its end (f0r_init and f0r_deinit). Hosts pair
    /// them loosely (MLT calls f0r_deinit before destroying the instances, and nests pairs),
    /// so the module is let go only when no init is outstanding and no instance is alive.
    void init();
    void deinit();

    /// Destroys an effect of newEffect and tells the runtime, which lets the module go
    /// when nothing else holds it; inside a Call, as everything here.
    struct EffectGone {
        BridgeRuntime* runtime;
        void operator()(Host::EffectInstance* effect) const;
    };
    using Effect = std::unique_ptr<Host::EffectInstance, EffectGone>;
    /// A new effect, globally set up once per load, with its parameters registered, for
    /// frames of that size; null, after a report on stderr, when the module cannot be
    /// loaded or refuses its set-up.
    Effect newEffect(int width, int height);
    /// Whether frames of that size are taken (TESSORY_MAX_PIXELS as the process started,
    /// else the hosts' default limit); reports a refusal once. Asked before anything of that size
    /// is allocated.
    bool admits(int64_t width, int64_t height);
    bool loaded() const { return mModule != nullptr; }
    std::string modulePath() const;

    /// Writes "tessory (NAME): message" on stderr (or gives it to the reporter) the first
    /// time that message comes.
    void report(const std::string& message);

  private:
    bool load();
    /// Sets the host's renderer from TESSORY_RENDERER.
    void chooseRenderer();
    void unloadIfUnused();
    void effectGone();

    std::string mName;
    bool mCpuOnly;
    Reporter mReporter;
    Host::PixelLimit mLimit;  // read once: MLT asks on every frame
    std::mutex mMutex;
    int mInits = 0;
    int mLive = 0;
    bool mFailed = false;  // a load failed; not retried until the runtime is let go
    std::unique_ptr<Host::HostApp> mApp;
    std::unique_ptr<Host::PluginModule> mModule;
    // Sends the global set-up and tear-down; frames go through each instance's own effect.
    std::unique_ptr<Host::EffectInstance> mGlobal;
    std::set<std::string> mReported;
    std::streambuf* mSavedCout = nullptr;  // std::cout's own buffer while it is sent to stderr
};

}  // namespace Corvane::Tessory::Bridge
