// A host, the stand-in module and one effect instance; `onCommand` decides what the
// module does with each command.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "AE_Effect.h"
#include "Host/EffectInstance.h"
#include "Host/PluginModule.h"
#include "HostTest.h"

namespace Corvane::Tessory::Host::Testing {

struct Command {
    A_long cmd;
    PF_InData* in;
    PF_OutData* out;
    PF_ParamDef** params;
    PF_LayerDef* output;
    void* extra;
};

class HostFixture : public Corvane::Tessory::Testing::HostTest {
  protected:
    HostFixture();
    ~HostFixture() override;

    /// Registers defs during command 4; returns the command's result.
    PF_Err registerParams(const std::vector<PF_ParamDef>& defs);
    /// Runs body inside a command (14, unless given) and returns its result.
    PF_Err inCommand(const std::function<PF_Err(const Command&)>& body,
                     A_long cmd = PF_Cmd_UPDATE_PARAMS_UI);

    PluginModule module;
    EffectInstance effect;
    std::function<PF_Err(const Command&)> onCommand;
};

PF_ParamDef slider(const char* name, A_long dflt, A_long lo = 0, A_long hi = 1000);
PF_ParamDef floatSlider(const char* name, float dflt);
PF_ParamDef popup(const char* name, A_short choices, A_short dflt, const char* names);
PF_ParamDef checkbox(const char* name, bool dflt, const char* label);
PF_ParamDef point(const char* name, double xPercent, double yPercent);
PF_ParamDef color(const char* name, PF_Pixel dflt);

}  // namespace Corvane::Tessory::Host::Testing
