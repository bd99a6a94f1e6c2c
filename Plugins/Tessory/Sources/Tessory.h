// QX Tessory: the effect's one exported entry point.
#pragma once

#include "AE_Effect.h"

extern "C" {

/// Answers every host command; the only symbol the module exports.
__attribute__((visibility("default"))) PF_Err EntryPointFunc(A_long cmd, PF_InData* in_data,
                                                             PF_OutData* out_data,
                                                             PF_ParamDef* params[],
                                                             PF_LayerDef* output, void* extra);
}
