// The AEGP suites the effect uses: effect and stream handles, dynamic stream flags,
// host memory and the script engine.
#pragma once

#include "AE_Effect.h"

extern "C" {

#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPMemorySuite "AEGP Memory Suite"

typedef A_long AEGP_PluginID;
typedef struct _AEGP_EffectRefH* AEGP_EffectRefH;
typedef struct _AEGP_StreamRefH* AEGP_StreamRefH;
typedef struct _AEGP_LayerH* AEGP_LayerH;
typedef struct _AEGP_MemHandle* AEGP_MemHandle;
typedef A_u_long AEGP_MemSize;
typedef A_long AEGP_MemFlag;
typedef A_long AEGP_DynStreamFlags;

enum { AEGP_MemFlag_NONE = 0, AEGP_MemFlag_CLEAR = 0x01, AEGP_MemFlag_QUIET = 0x02 };

enum {
    AEGP_DynStreamFlag_ACTIVE_EYEBALL = 1L << 0,
    AEGP_DynStreamFlag_HIDDEN = 1L << 1,
    AEGP_DynStreamFlag_DISABLED = 1L << 4,
    AEGP_DynStreamFlag_ELIDED = 1L << 5,
    AEGP_DynStreamFlag_SHOWN_WHEN_EMPTY = 1L << 10,
    AEGP_DynStreamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1L << 16,
};

struct AEGP_EffectSuite2 {
    A_Err (*AEGP_GetLayerNumEffects)(AEGP_LayerH layerH, A_long* num_effectsPL);
    A_Err (*AEGP_GetLayerEffectByIndex)(AEGP_PluginID aegp_plugin_id, AEGP_LayerH layerH,
                                        A_long layer_effect_index, AEGP_EffectRefH* effectPH);
    A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effectH);
};

struct AEGP_PFInterfaceSuite1 {
    A_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layerPH);
    /// A new effect handle for the instance behind effect_ref; free it with AEGP_DisposeEffect.
    A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_ref,
                                        AEGP_EffectRefH* effectPH);
};

struct AEGP_StreamSuite2 {
    /// A new stream handle for parameter `param_index`; free it with AEGP_DisposeStream.
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id,
                                            AEGP_EffectRefH effect_refH,
                                            PF_ParamIndex param_index,
                                            AEGP_StreamRefH* streamPH);
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
};

struct AEGP_DynamicStreamSuite2 {
    A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags* flagsP);
    /// Sets or clears one flag of a stream.
    A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH streamH, AEGP_DynStreamFlags one_flag,
                                       A_Boolean undoableB, A_Boolean setB);
};

struct AEGP_UtilitySuite5 {
    A_Err (*AEGP_ReportInfo)(AEGP_PluginID aegp_plugin_id, const A_char* info_stringZ);
    /// Runs a script; the result text and the error text come back in new memory handles
    /// (each may be null) that the caller frees.
    A_Err (*AEGP_ExecuteScript)(AEGP_PluginID aegp_plugin_id, const A_char* scriptZ,
                                const A_Boolean platform_encodingB, AEGP_MemHandle* resultPH0,
                                AEGP_MemHandle* errorStringPH0);
};

struct AEGP_MemorySuite1 {
    A_Err (*AEGP_NewMemHandle)(AEGP_PluginID aegp_plugin_id, const A_char* whatZ,
                               AEGP_MemSize size, AEGP_MemFlag flags, AEGP_MemHandle* memPH);
    A_Err (*AEGP_FreeMemHandle)(AEGP_MemHandle memH);
    A_Err (*AEGP_LockMemHandle)(AEGP_MemHandle memH, void** ptr_to_ptr);
    A_Err (*AEGP_UnlockMemHandle)(AEGP_MemHandle memH);
    A_Err (*AEGP_GetMemHandleSize)(AEGP_MemHandle memH, AEGP_MemSize* sizeP);
};

}  // extern "C"
