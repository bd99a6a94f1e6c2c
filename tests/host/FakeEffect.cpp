// Stand-in effect module: its entry point hands each command to whatever the test set.
#include "AE_Effect.h"

extern "C" {

typedef PF_Err (*FakeEffectHandler)(void* context, A_long cmd, PF_InData* in_data,
                                    PF_OutData* out_data, PF_ParamDef* params[],
                                    PF_LayerDef* output, void* extra);

static FakeEffectHandler gHandler = nullptr;
static void* gContext = nullptr;

__attribute__((visibility("default"))) void FakeEffect_setHandler(FakeEffectHandler handler,
                                                                  void* context) {
    gHandler = handler;
    gContext = context;
}

__attribute__((visibility("default"))) PF_Err EntryPointFunc(A_long cmd, PF_InData* in_data,
                                                             PF_OutData* out_data,
                                                             PF_ParamDef* params[],
                                                             PF_LayerDef* output, void* extra) {
    return gHandler ? gHandler(gContext, cmd, in_data, out_data, params, output, extra)
                    : PF_Err_NONE;
}

}  // extern "C"
