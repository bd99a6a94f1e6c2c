// The host process: the basic suite and every suite the plug-in asks for, the utility
// callbacks, fault injection for tests, a record of what the plug-in did, and a GL
// context of its own on each thread that sends commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
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

    // Faults. Suite names without version ("PF ANSI Suite").
    /// AcquireSuite answers kSPSuiteNotFoundError and writes a null table.
    void withholdSuite(const std::string& name);
    /// AcquireSuite answers 0 but writes a null table.
    void nullSuite(const std::string& name);
    /// The nth next call of that name fails with error (functions without an error result
    /// return null or do nothing). Names as the API spells them: "add_param",
    /// "checkout_param", "host_new_handle", "AEGP_NewMemHandle", "AcquireSuite", ...
    void failCall(const std::string& call, int nth = 1, A_Err error = A_Err_GENERIC);
    void clearFaults();

    // What the plug-in did.
    /// One line per call the plug-in made, oldest first ("AcquireSuite PF ANSI Suite 1").
    /// Read it while no command is running.
    const std::vector<std::string>& calls() const;
    /// Lines starting with prefix.
    int countCalls(std::string_view prefix) const;
    void clearCalls();
    /// Texts the plug-in showed: AEGP_ReportInfo, and return_msg after a command that set
    /// PF_OutFlag_DISPLAY_ERROR_MESSAGE.
    const std::vector<std::string>& messages() const;
    void clearMessages();
    /// Acquisitions with a table, not yet released.
    int outstandingSuites() const;
    /// PF handles not disposed of.
    int liveHandles() const;
    /// AEGP memory handles not freed.
    int liveMemHandles() const;
    /// AEGP effect and stream handles not disposed of.
    int liveEffectHandles() const;
    int liveStreamHandles() const;
    /// Blocks from SPBasicSuite AllocateBlock not freed.
    int liveBlocks() const;

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

    struct Fault {
        std::string call;
        int remaining;
        A_Err error;
    };
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

    void log(std::string line);
    /// Consumes one call of that name; true and the error when it is to fail.
    bool fault(std::string_view call, A_Err* error = nullptr);
    bool suiteWithheld(std::string_view name, bool* nullTable) const;
    void showMessage(std::string text);

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
    std::vector<std::string> mCalls;
    std::vector<std::string> mMessages;
    std::vector<Fault> mFaults;
    std::set<std::string, std::less<>> mWithheld;
    std::set<std::string, std::less<>> mNulled;
    std::map<std::pair<std::string, int32_t>, int> mAcquired;
    std::unordered_set<EffectInstance*> mInstances;
    std::unordered_map<void*, size_t> mBlocks;
    std::unordered_map<PF_Handle, std::unique_ptr<HandleBlock>> mHandles;
    std::unordered_map<AEGP_MemHandle, std::unique_ptr<MemBlock>> mMemHandles;
    std::unordered_map<AEGP_EffectRefH, std::unique_ptr<EffectRec>> mEffectHandles;
    std::unordered_map<AEGP_StreamRefH, std::unique_ptr<StreamRec>> mStreamHandles;

    bool mProvidesGL = true;
    std::map<std::thread::id, std::unique_ptr<HostGLContext>> mContexts;
    std::unique_ptr<ScriptEngine> mScript;
};

}  // namespace Corvane::Tessory::Host
