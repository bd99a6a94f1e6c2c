#include "HostFixture.h"

#include <dlfcn.h>

#include <cstring>

namespace Corvane::Tessory::Host::Testing {
namespace {

using Handler = PF_Err (*)(void*, A_long, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                           void*);
using SetHandler = void (*)(Handler, void*);

PF_Err trampoline(void* context, A_long cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** params,
                  PF_LayerDef* output, void* extra) {
    auto* self = static_cast<std::function<PF_Err(const Command&)>*>(context);
    return *self ? (*self)(Command{cmd, in, out, params, output, extra}) : PF_Err_NONE;
}

void installHandler(Handler handler, void* context) {
    // The host loaded the module privately; opening it again finds the same copy.
    void* lib = dlopen(HOST_TEST_EFFECT, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto set = reinterpret_cast<SetHandler>(dlsym(lib, "FakeEffect_setHandler"));
    ASSERT_NE(set, nullptr);
    set(handler, context);
    dlclose(lib);
}

PF_ParamDef base(A_long type, const char* name) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    def.param_type = type;
    std::strncpy(def.name, name, sizeof(def.name) - 1);
    return def;
}

}  // namespace

HostFixture::HostFixture() : module(HOST_TEST_EFFECT), effect(host, module) {
    installHandler(trampoline, &onCommand);
}

HostFixture::~HostFixture() {
    installHandler(nullptr, nullptr);
}

PF_Err HostFixture::registerParams(const std::vector<PF_ParamDef>& defs) {
    onCommand = [&](const Command& c) -> PF_Err {
        if (c.cmd != PF_Cmd_PARAMS_SETUP) return PF_Err_NONE;
        for (PF_ParamDef def : defs) {
            if (PF_Err err = c.in->inter.add_param(c.in->effect_ref, -1, &def)) return err;
        }
        return PF_Err_NONE;
    };
    const PF_Err err = effect.paramsSetup();
    onCommand = nullptr;
    return err;
}

PF_Err HostFixture::inCommand(const std::function<PF_Err(const Command&)>& body, A_long cmd) {
    onCommand = [&](const Command& c) -> PF_Err { return c.cmd == cmd ? body(c) : PF_Err_NONE; };
    const PF_Err err = effect.send(cmd);
    onCommand = nullptr;
    return err;
}

PF_ParamDef slider(const char* name, A_long dflt, A_long lo, A_long hi) {
    PF_ParamDef def = base(PF_Param_SLIDER, name);
    def.u.sd.value = def.u.sd.dephault = dflt;
    def.u.sd.valid_min = def.u.sd.slider_min = lo;
    def.u.sd.valid_max = def.u.sd.slider_max = hi;
    return def;
}

PF_ParamDef floatSlider(const char* name, float dflt) {
    PF_ParamDef def = base(PF_Param_FLOAT_SLIDER, name);
    def.u.fs_d.value = def.u.fs_d.dephault = dflt;
    def.u.fs_d.valid_min = def.u.fs_d.slider_min = -1000;
    def.u.fs_d.valid_max = def.u.fs_d.slider_max = 1000;
    return def;
}

PF_ParamDef popup(const char* name, A_short choices, A_short dflt, const char* names) {
    PF_ParamDef def = base(PF_Param_POPUP, name);
    def.u.pd.value = def.u.pd.dephault = dflt;
    def.u.pd.num_choices = choices;
    def.u.pd.u.namesptr = names;
    return def;
}

PF_ParamDef checkbox(const char* name, bool dflt, const char* label) {
    PF_ParamDef def = base(PF_Param_CHECKBOX, name);
    def.u.bd.value = def.u.bd.dephault = dflt;
    def.u.bd.u.nameptr = label;
    return def;
}

PF_ParamDef point(const char* name, double xPercent, double yPercent) {
    PF_ParamDef def = base(PF_Param_POINT, name);
    def.u.td.x_value = def.u.td.x_dephault = static_cast<PF_Fixed>(xPercent * 65536);
    def.u.td.y_value = def.u.td.y_dephault = static_cast<PF_Fixed>(yPercent * 65536);
    return def;
}

PF_ParamDef color(const char* name, PF_Pixel dflt) {
    PF_ParamDef def = base(PF_Param_COLOR, name);
    def.u.cd.value = def.u.cd.dephault = dflt;
    return def;
}

}  // namespace Corvane::Tessory::Host::Testing
