#include "Host/HostSuites.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "AE_Drawbot.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostError.h"

namespace Corvane::Tessory::Host {
namespace {

struct Tables {
    SPBasicSuite basic{};
    PF_UtilCallbacks utils{};
    PF_InteractCallbacks inter{};
    PF_ANSICallbacksSuite1 ansi{};
    PF_ParamUtilsSuite3 paramUtils{};
    AEGP_EffectSuite2 effect{};
    AEGP_PFInterfaceSuite1 pfInterface{};
    AEGP_StreamSuite2 stream{};
    AEGP_DynamicStreamSuite2 dynamicStream{};
    AEGP_UtilitySuite5 utility{};
    AEGP_MemorySuite1 memory{};
    PF_iterateFloatSuite1 iterateFloat{};
    PF_HandleSuite1 handle{};
};

std::mutex gSlotMutex;
std::array<std::atomic<HostApp*>, HostSuites::kSlots> gHosts{};
std::array<Tables, HostSuites::kSlots> gTables{};

// The drawing suites are offered but this host draws nothing: their tables are opaque
// blocks that a plug-in may hold and give back.
struct OpaqueTable {
    void* entries[16] = {};
};
const OpaqueTable kDrawbotDraw{}, kDrawbotSupplier{}, kDrawbotSurface{}, kDrawbotPath{};

using Math1 = A_FpLong (*)(A_FpLong);
using Math2 = A_FpLong (*)(A_FpLong, A_FpLong);
struct Math1Entry {
    const char* name;
    Math1 fn;
};
struct Math2Entry {
    const char* name;
    Math2 fn;
};
constexpr Math1Entry kMath1[] = {
    {"atan", [](A_FpLong x) { return std::atan(x); }},
    {"ceil", [](A_FpLong x) { return std::ceil(x); }},
    {"cos", [](A_FpLong x) { return std::cos(x); }},
    {"exp", [](A_FpLong x) { return std::exp(x); }},
    {"fabs", [](A_FpLong x) { return std::fabs(x); }},
    {"floor", [](A_FpLong x) { return std::floor(x); }},
    {"log", [](A_FpLong x) { return std::log(x); }},
    {"log10", [](A_FpLong x) { return std::log10(x); }},
    {"sin", [](A_FpLong x) { return std::sin(x); }},
    {"sqrt", [](A_FpLong x) { return std::sqrt(x); }},
    {"tan", [](A_FpLong x) { return std::tan(x); }},
    {"asin", [](A_FpLong x) { return std::asin(x); }},
    {"acos", [](A_FpLong x) { return std::acos(x); }},
};
enum { kAtan, kCeil, kCos, kExp, kFabs, kFloor, kLog, kLog10, kSin, kSqrt, kTan, kAsin, kAcos };
constexpr Math2Entry kMath2[] = {
    {"atan2", [](A_FpLong y, A_FpLong x) { return std::atan2(y, x); }},
    {"fmod", [](A_FpLong x, A_FpLong y) { return std::fmod(x, y); }},
    {"hypot", [](A_FpLong x, A_FpLong y) { return std::hypot(x, y); }},
    {"pow", [](A_FpLong x, A_FpLong y) { return std::pow(x, y); }},
};
enum { kAtan2, kFmod, kHypot, kPow };

}  // namespace

// Every function looks its host up by slot; a slot whose host is gone answers errors, so
// a plug-in holding a stale table does not reach freed memory.
template <int S>
struct HostSuites::Slot {
    static HostApp* host() { return gHosts[S].load(std::memory_order_acquire); }

    // Basic suite.
    static SPErr acquireSuite(const char* name, int32_t version, const void** suite) {
        HostApp* h = host();
        if (!h) {
            if (suite) *suite = nullptr;
            return kSPSuiteNotFoundError;
        }
        return h->acquireSuite(name, version, suite);
    }
    static SPErr releaseSuite(const char* name, int32_t version) {
        HostApp* h = host();
        return h ? h->releaseSuite(name, version) : kSPSuiteNotFoundError;
    }
    static A_Boolean isEqual(const char* a, const char* b) {
        if (HostApp* h = host()) h->mCalls.log("IsEqual");
        return a && b && std::strcmp(a, b) == 0;
    }
    static SPErr allocateBlock(size_t size, void** block) {
        HostApp* h = host();
        return h ? h->mMemory.allocateBlock(size, block) : A_Err_GENERIC;
    }
    static SPErr freeBlock(void* block) {
        HostApp* h = host();
        return h ? h->mMemory.freeBlock(block) : A_Err_GENERIC;
    }
    static SPErr reallocateBlock(void* block, size_t size, void** newBlock) {
        HostApp* h = host();
        return h ? h->mMemory.reallocateBlock(block, size, newBlock) : A_Err_GENERIC;
    }
    static SPErr undefined() {
        if (HostApp* h = host()) h->mCalls.log("Undefined");
        return A_Err_GENERIC;
    }

    // ANSI callbacks (utils->ansi and the ANSI suite share these).
    template <int N>
    static A_FpLong math1(A_FpLong x) {
        if (HostApp* h = host()) h->mCalls.log(kMath1[N].name);
        return kMath1[N].fn(x);
    }
    template <int N>
    static A_FpLong math2(A_FpLong x, A_FpLong y) {
        if (HostApp* h = host()) h->mCalls.log(kMath2[N].name);
        return kMath2[N].fn(x, y);
    }
    static int sprintfFn(A_char* buffer, const A_char* format, ...) {
        if (HostApp* h = host()) {
            h->mCalls.log("sprintf");
            if (h->mCalls.fault("sprintf")) return -1;
        }
        if (!buffer || !format) return -1;
        va_list args;
        va_start(args, format);
        const int written = std::vsprintf(buffer, format, args);
        va_end(args);
        return written;
    }
    static A_char* strcpyFn(A_char* dest, const A_char* src) {
        if (HostApp* h = host()) {
            h->mCalls.log("strcpy");
            if (h->mCalls.fault("strcpy")) return dest;
        }
        if (!dest || !src) return dest;
        return std::strcpy(dest, src);
    }

    // Pixel data.
    static PF_Err pixelData8(PF_EffectWorld* world, PF_PixelPtr pixels, PF_Pixel8** result) {
        HostApp* h = host();
        return h ? h->pixelData("get_pixel_data8", 8, world, pixels,
                                reinterpret_cast<void**>(result))
                 : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err pixelData16(PF_EffectWorld* world, PF_PixelPtr pixels, PF_Pixel16** result) {
        HostApp* h = host();
        return h ? h->pixelData("get_pixel_data16", 16, world, pixels,
                                reinterpret_cast<void**>(result))
                 : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err pixelDataFloat(PF_EffectWorld* world, PF_PixelPtr pixels,
                                 PF_PixelFloat** result) {
        HostApp* h = host();
        return h ? h->pixelData("get_pixel_data_float", 32, world, pixels,
                                reinterpret_cast<void**>(result))
                 : PF_Err_BAD_CALLBACK_PARAM;
    }

    // Interaction callbacks.
    static EffectInstance* instance(PF_ProgPtr ref) {
        HostApp* h = host();
        return h ? h->mStreams.instanceFor(ref) : nullptr;
    }
    static PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step,
                                A_u_long scale, PF_ParamDef* param) {
        EffectInstance* e = instance(ref);
        return e ? e->checkoutParam(index, time, step, scale, param) : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param) {
        EffectInstance* e = instance(ref);
        return e ? e->checkinParam(param) : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
        EffectInstance* e = instance(ref);
        return e ? e->addParam(index, def) : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err abortFn(PF_ProgPtr ref) {
        EffectInstance* e = instance(ref);
        if (!e) return PF_Err_BAD_CALLBACK_PARAM;
        e->host().calls().log("abort");
        A_Err err = PF_Err_NONE;
        return e->host().calls().fault("abort", &err) ? err : PF_Err_NONE;
    }
    static PF_Err progress(PF_ProgPtr ref, A_long current, A_long total) {
        EffectInstance* e = instance(ref);
        if (!e) return PF_Err_BAD_CALLBACK_PARAM;
        e->host().calls().log("progress ", current, " ", total);
        A_Err err = PF_Err_NONE;
        return e->host().calls().fault("progress", &err) ? err : PF_Err_NONE;
    }

    // Parameter utilities.
    static PF_Err updateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def) {
        EffectInstance* e = instance(ref);
        return e ? e->updateParamUI(index, def) : PF_Err_BAD_CALLBACK_PARAM;
    }
    static PF_Err currentState(PF_ProgPtr ref, PF_ParamIndex index, const A_long*, const A_long*,
                               PF_State* state) {
        EffectInstance* e = instance(ref);
        if (!e || !state) return PF_Err_BAD_CALLBACK_PARAM;
        return e->currentState(index, *state);
    }
    static PF_Err statesIdentical(PF_ProgPtr ref, const PF_State* a, const PF_State* b,
                                  A_Boolean* same) {
        EffectInstance* e = instance(ref);
        if (!e || !a || !b || !same) return PF_Err_BAD_CALLBACK_PARAM;
        e->host().calls().log("PF_AreStatesIdentical");
        *same = std::memcmp(*a, *b, sizeof(PF_State)) == 0;
        return PF_Err_NONE;
    }
    static PF_Err keyframeCount(PF_ProgPtr ref, PF_ParamIndex index, A_long* count) {
        EffectInstance* e = instance(ref);
        return e ? e->keyframeCount(index, count) : PF_Err_BAD_CALLBACK_PARAM;
    }

    // AEGP effects and streams.
    static A_Err getEffectLayer(PF_ProgPtr ref, AEGP_LayerH* layer) {
        HostApp* h = host();
        return h ? h->mStreams.effectLayer(ref, layer) : A_Err_GENERIC;
    }
    static A_Err newEffectForEffect(AEGP_PluginID, PF_ProgPtr ref, AEGP_EffectRefH* effect) {
        HostApp* h = host();
        return h ? h->mStreams.newEffectForEffect(ref, effect) : A_Err_GENERIC;
    }
    static A_Err layerNumEffects(AEGP_LayerH layer, A_long* count) {
        HostApp* h = host();
        return h ? h->mStreams.layerNumEffects(layer, count) : A_Err_GENERIC;
    }
    static A_Err layerEffectByIndex(AEGP_PluginID, AEGP_LayerH layer, A_long index,
                                    AEGP_EffectRefH* effect) {
        HostApp* h = host();
        return h ? h->mStreams.layerEffectByIndex(layer, index, effect) : A_Err_GENERIC;
    }
    static A_Err disposeEffect(AEGP_EffectRefH effect) {
        HostApp* h = host();
        return h ? h->mStreams.disposeEffect(effect) : A_Err_GENERIC;
    }
    static A_Err newEffectStream(AEGP_PluginID, AEGP_EffectRefH effect, PF_ParamIndex index,
                                 AEGP_StreamRefH* stream) {
        HostApp* h = host();
        return h ? h->mStreams.newEffectStream(effect, index, stream) : A_Err_GENERIC;
    }
    static A_Err disposeStream(AEGP_StreamRefH stream) {
        HostApp* h = host();
        return h ? h->mStreams.disposeStream(stream) : A_Err_GENERIC;
    }
    static A_Err streamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags) {
        HostApp* h = host();
        return h ? h->mStreams.streamFlags(stream, flags) : A_Err_GENERIC;
    }
    static A_Err setStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                               A_Boolean set) {
        HostApp* h = host();
        return h ? h->mStreams.setStreamFlag(stream, flag, undoable, set) : A_Err_GENERIC;
    }

    // Utility and memory.
    static A_Err reportInfo(AEGP_PluginID, const A_char* text) {
        HostApp* h = host();
        return h ? h->reportInfo(text) : A_Err_GENERIC;
    }
    static A_Err executeScript(AEGP_PluginID, const A_char* script, const A_Boolean platform,
                               AEGP_MemHandle* result, AEGP_MemHandle* error) {
        HostApp* h = host();
        return h ? h->executeScript(script, platform, result, error) : A_Err_GENERIC;
    }
    static A_Err newMemHandle(AEGP_PluginID, const A_char* what, AEGP_MemSize size,
                              AEGP_MemFlag flags, AEGP_MemHandle* mem) {
        HostApp* h = host();
        return h ? h->mMemory.newMemHandle(what, size, flags, mem) : A_Err_GENERIC;
    }
    static A_Err freeMemHandle(AEGP_MemHandle mem) {
        HostApp* h = host();
        return h ? h->mMemory.freeMemHandle(mem) : A_Err_GENERIC;
    }
    static A_Err lockMemHandle(AEGP_MemHandle mem, void** ptr) {
        HostApp* h = host();
        return h ? h->mMemory.lockMemHandle(mem, ptr) : A_Err_GENERIC;
    }
    static A_Err unlockMemHandle(AEGP_MemHandle mem) {
        HostApp* h = host();
        return h ? h->mMemory.unlockMemHandle(mem) : A_Err_GENERIC;
    }
    static A_Err memHandleSize(AEGP_MemHandle mem, AEGP_MemSize* size) {
        HostApp* h = host();
        return h ? h->mMemory.memHandleSize(mem, size) : A_Err_GENERIC;
    }

    // Float iteration.
    static PF_Err iterate(PF_InData* in_data, A_long, A_long, PF_EffectWorld* src,
                          const PF_Rect* area, void* refcon, PF_IteratePixelFloatFunc fn,
                          PF_EffectWorld* dst) {
        HostApp* h = host();
        return h ? h->iterate(in_data, src, area, refcon, fn, dst) : PF_Err_BAD_CALLBACK_PARAM;
    }

    // Handles.
    static PF_Handle newHandle(A_HandleSize size) {
        HostApp* h = host();
        return h ? h->mMemory.newHandle(size) : nullptr;
    }
    static void* lockHandle(PF_Handle handle) {
        HostApp* h = host();
        return h ? h->mMemory.lockHandle(handle) : nullptr;
    }
    static void unlockHandle(PF_Handle handle) {
        if (HostApp* h = host()) h->mMemory.unlockHandle(handle);
    }
    static void disposeHandle(PF_Handle handle) {
        if (HostApp* h = host()) h->mMemory.disposeHandle(handle);
    }
    static A_HandleSize handleSize(PF_Handle handle) {
        HostApp* h = host();
        return h ? h->mMemory.handleSize(handle) : 0;
    }
    static PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle) {
        HostApp* h = host();
        return h ? h->mMemory.resizeHandle(size, handle) : PF_Err_BAD_CALLBACK_PARAM;
    }

    template <typename Ansi>
    static void fillAnsi(Ansi& a) {
        a.atan = math1<kAtan>;
        a.atan2 = math2<kAtan2>;
        a.ceil = math1<kCeil>;
        a.cos = math1<kCos>;
        a.exp = math1<kExp>;
        a.fabs = math1<kFabs>;
        a.floor = math1<kFloor>;
        a.fmod = math2<kFmod>;
        a.hypot = math2<kHypot>;
        a.log = math1<kLog>;
        a.log10 = math1<kLog10>;
        a.pow = math2<kPow>;
        a.sin = math1<kSin>;
        a.sqrt = math1<kSqrt>;
        a.tan = math1<kTan>;
        a.sprintf = sprintfFn;
        a.strcpy = strcpyFn;
        a.asin = math1<kAsin>;
        a.acos = math1<kAcos>;
    }

    static void fill(Tables& t) {
        t.basic = {acquireSuite, releaseSuite,    isEqual,  allocateBlock,
                   freeBlock,    reallocateBlock, undefined};
        fillAnsi(t.utils.ansi);
        t.utils.get_pixel_data8 = pixelData8;
        t.utils.get_pixel_data16 = pixelData16;
        t.utils.get_pixel_data_float = pixelDataFloat;
        t.inter = {checkoutParam, checkinParam, addParam, abortFn, progress};
        fillAnsi(t.ansi);
        t.paramUtils = {updateParamUI, currentState, statesIdentical, keyframeCount};
        t.effect = {layerNumEffects, layerEffectByIndex, disposeEffect};
        t.pfInterface = {getEffectLayer, newEffectForEffect};
        t.stream = {newEffectStream, disposeStream};
        t.dynamicStream = {streamFlags, setStreamFlag};
        t.utility = {reportInfo, executeScript};
        t.memory = {newMemHandle, freeMemHandle, lockMemHandle, unlockMemHandle, memHandleSize};
        t.iterateFloat = {iterate};
        t.handle = {newHandle, lockHandle, unlockHandle, disposeHandle, handleSize, resizeHandle};
    }
};

struct HostSuites::Builder {
    template <int... S>
    static bool build(std::integer_sequence<int, S...>) {
        (Slot<S>::fill(gTables[S]), ...);
        return true;
    }
};

int HostSuites::claim(HostApp* host) {
    static const bool built = Builder::build(std::make_integer_sequence<int, kSlots>());
    (void)built;
    std::lock_guard<std::mutex> lock(gSlotMutex);
    for (int i = 0; i < kSlots; ++i) {
        if (!gHosts[i].load()) {
            gHosts[i].store(host, std::memory_order_release);
            return i;
        }
    }
    throw HostError("too many host runtimes alive at once (at most " + std::to_string(kSlots) +
                    ")");
}

void HostSuites::release(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    std::lock_guard<std::mutex> lock(gSlotMutex);
    gHosts[slot].store(nullptr, std::memory_order_release);
}

SPBasicSuite* HostSuites::basic(int slot) {
    return &gTables.at(slot).basic;
}

PF_UtilCallbacks* HostSuites::utils(int slot) {
    return &gTables.at(slot).utils;
}

const PF_InteractCallbacks& HostSuites::interact(int slot) {
    return gTables.at(slot).inter;
}

const void* HostSuites::suite(int slot, const char* name, int32_t version) {
    Tables& t = gTables.at(slot);
    struct Offer {
        const char* name;
        int32_t version;
        const void* table;
    };
    const Offer offers[] = {
        {kPFANSISuite, 1, &t.ansi},
        {kPFParamUtilsSuite, 3, &t.paramUtils},
        {kAEGPEffectSuite, 2, &t.effect},
        {kAEGPPFInterfaceSuite, 1, &t.pfInterface},
        {kAEGPDynamicStreamSuite, 2, &t.dynamicStream},
        {kAEGPStreamSuite, 7, &t.stream},
        {kPFIterateFloatSuite, 1, &t.iterateFloat},
        {kPFHandleSuite, 2, &t.handle},
        {kAEGPUtilitySuite, 11, &t.utility},
        {kAEGPMemorySuite, 1, &t.memory},
        {kDRAWBOT_DrawSuite, 1, &kDrawbotDraw},
        {kDRAWBOT_SupplierSuite, 1, &kDrawbotSupplier},
        {kDRAWBOT_SurfaceSuite, 2, &kDrawbotSurface},
        {kDRAWBOT_PathSuite, 1, &kDrawbotPath},
    };
    for (const Offer& offer : offers) {
        if (version == offer.version && std::strcmp(name, offer.name) == 0) return offer.table;
    }
    return nullptr;
}

}  // namespace Corvane::Tessory::Host
