// The host process: the basic suite and every suite the plug-in asks for, the utility
// callbacks, the stores of handles, memory and streams they hand out, and a GL context of
// its own on each thread that sends commands. What a test needs to see or steer goes
// through an attached HostObserver; without one nothing is recorded.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Host/HostObserver.h"
#include "SPBasic.h"

namespace Corvane::Tessory::Host {

class EffectInstance;
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

    /// Attaches the observer that sees every call from now on (null detaches). Attach or
    /// detach only while no command is running; the observer must outlive its attachment.
    void setObserver(HostObserver* observer);
    HostObserver* observer() const { return mObserver; }

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

    ScriptEngine& scriptEngine();

  private:
    friend class HostSuites;
    friend class EffectInstance;

    struct MemBlock {
        std::unique_ptr<uint8_t[]> bytes;
        AEGP_MemSize size = 0;
        int locks = 0;
        std::string what;
    };
    // A PF handle points at its block, whose first member is the data pointer, as a
    // relocatable handle does.
    struct HandleBlock {
        void* data = nullptr;
        A_HandleSize size = 0;
        int locks = 0;
    };
    // Effect and stream handles; effect is cleared when the instance goes away first.
    struct EffectRec {
        EffectInstance* effect = nullptr;
    };
    struct StreamRec {
        EffectInstance* effect = nullptr;
        int index = 0;
    };

    /// Tells the observer of one call, the line joined from parts (texts and numbers);
    /// nothing is built without an observer.
    template <typename... Parts>
    void log(const Parts&... parts) {
        if (mObserver) mObserver->called(joined(parts...));
    }
    template <typename... Parts>
    static std::string joined(const Parts&... parts) {
        std::string line;
        (append(line, parts), ...);
        return line;
    }
    static void append(std::string& line, std::string_view text) { line += text; }
    static void append(std::string& line, const char* text) { line += text ? text : "(null)"; }
    template <typename Number>
    requires std::is_arithmetic_v<Number>
    static void append(std::string& line, Number n) { line += std::to_string(n); }
    /// True when the observer fails this call; error receives its code.
    bool fault(std::string_view call, A_Err* error = nullptr) {
        return mObserver && mObserver->fails(call, error);
    }
    /// Shows a text: to the observer when there is one, else on stderr.
    void showMessage(std::string text);

    /// A buffer kept after a PF handle was disposed of, handed out again for a handle of
    /// the same size: a plug-in that asks for a frame-sized handle every frame then gets
    /// the same pages instead of fresh ones to fault in.
    struct SpareBlock {
        void* data = nullptr;
        A_HandleSize size = 0;
    };
    static constexpr size_t kSpareBlocks = 2;
    void* takeSpare(A_HandleSize size);
    void markUncleared(void* data, size_t size) const;
    void keepSpare(void* data, A_HandleSize size);

    void attach(EffectInstance* effect);
    void detach(EffectInstance* effect);
    EffectInstance* instanceFor(PF_ProgPtr effect_ref) const;

    // Suite bodies; the tables forward here.
    SPErr acquireSuite(const char* name, int32_t version, const void** suite);
    SPErr releaseSuite(const char* name, int32_t version);
    SPErr allocateBlock(size_t size, void** block);
    SPErr freeBlock(void* block);
    SPErr reallocateBlock(void* block, size_t size, void** newBlock);

    PF_Handle newHandle(A_HandleSize size);
    void* lockHandle(PF_Handle handle);
    void unlockHandle(PF_Handle handle);
    void disposeHandle(PF_Handle handle);
    A_HandleSize handleSize(PF_Handle handle);
    PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle);

    A_Err newMemHandle(const A_char* what, AEGP_MemSize size, AEGP_MemFlag flags,
                       AEGP_MemHandle* memH);
    A_Err freeMemHandle(AEGP_MemHandle memH);
    A_Err lockMemHandle(AEGP_MemHandle memH, void** ptr);
    A_Err unlockMemHandle(AEGP_MemHandle memH);
    A_Err memHandleSize(AEGP_MemHandle memH, AEGP_MemSize* size);
    /// A new memory handle holding text and its terminating zero, or null.
    AEGP_MemHandle textHandle(const std::string& text, const char* what);

    A_Err reportInfo(const A_char* text);
    A_Err executeScript(const A_char* script, A_Boolean platformEncoding, AEGP_MemHandle* resultH,
                        AEGP_MemHandle* errorH);

    A_Err effectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
    A_Err newEffectForEffect(PF_ProgPtr effect_ref, AEGP_EffectRefH* effect);
    AEGP_EffectRefH makeEffectHandle(EffectInstance* effect);
    StreamRec* streamRec(AEGP_StreamRefH stream);
    A_Err layerNumEffects(AEGP_LayerH layer, A_long* count);
    A_Err layerEffectByIndex(AEGP_LayerH layer, A_long index, AEGP_EffectRefH* effect);
    A_Err disposeEffect(AEGP_EffectRefH effect);
    A_Err newEffectStream(AEGP_EffectRefH effect, PF_ParamIndex index, AEGP_StreamRefH* stream);
    A_Err disposeStream(AEGP_StreamRefH stream);
    A_Err streamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags);
    A_Err setStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                        A_Boolean set);

    PF_Err iterate(PF_InData* in_data, PF_EffectWorld* src, const PF_Rect* area, void* refcon,
                   PF_IteratePixelFloatFunc fn, PF_EffectWorld* dst);
    PF_Err pixelData(const char* call, int depth, PF_EffectWorld* world, PF_PixelPtr pixels,
                     void** result);

    int mSlot = -1;
    mutable std::recursive_mutex mMutex;
    HostObserver* mObserver = nullptr;
    std::map<std::pair<std::string, int32_t>, int> mAcquired;
    std::unordered_set<EffectInstance*> mInstances;
    std::unordered_map<void*, size_t> mBlocks;
    std::unordered_map<PF_Handle, std::unique_ptr<HandleBlock>> mHandles;
    std::vector<SpareBlock> mSpares;
    std::unordered_map<AEGP_MemHandle, std::unique_ptr<MemBlock>> mMemHandles;
    std::unordered_map<AEGP_EffectRefH, std::unique_ptr<EffectRec>> mEffectHandles;
    std::unordered_map<AEGP_StreamRefH, std::unique_ptr<StreamRec>> mStreamHandles;

    bool mProvidesGL = true;
    std::map<std::thread::id, std::unique_ptr<HostGLContext>> mContexts;
    std::unique_ptr<ScriptEngine> mScript;
};

}  // namespace Corvane::Tessory::Host
