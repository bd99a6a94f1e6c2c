#include "Helper/SuiteScoper.h"

#include <cstdio>
#include <cstring>

namespace Corvane::Tessory {
namespace {

// The host shows return_msg when this flag is set; the text is cut to the host's limit.
void reportToHost(PF_OutData* out_data, const char* text) {
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    const size_t length = strnlen(text, sizeof(out_data->return_msg) - 1);
    std::memcpy(out_data->return_msg, text, length);
    out_data->return_msg[length] = '\0';
}

struct DrawbotSuiteName {
    const char* name;
    int32_t version;
};

constexpr DrawbotSuiteName kDrawbotSuites[] = {
    {kDRAWBOT_DrawSuite, 1},
    {kDRAWBOT_SupplierSuite, 1},
    {kDRAWBOT_SurfaceSuite, 2},
    {kDRAWBOT_PathSuite, 1},
};

}  // namespace

PF_Err AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                    const char* error_string, void** suite) {
    if (in_data->pica_basicP) {
        in_data->pica_basicP->AcquireSuite(name, version, const_cast<const void**>(suite));
        if (*suite) {
            return PF_Err_NONE;
        }
    }
    char text[1024];
    std::snprintf(text, sizeof(text), "Not able to acquire AEFX Suite-%s-%d", name,
                  static_cast<int>(version));
    reportToHost(out_data, error_string ? error_string : text);
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                    const char* error_string) {
    if (in_data->pica_basicP) {
        in_data->pica_basicP->ReleaseSuite(name, version);
        return PF_Err_NONE;
    }
    reportToHost(out_data, error_string ? error_string : "Not able to release AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suiteP) {
    if (!suiteP) {
        reportToHost(out_data, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    void** slots[] = {
        reinterpret_cast<void**>(&suiteP->drawbot_suiteP),
        reinterpret_cast<void**>(&suiteP->supplier_suiteP),
        reinterpret_cast<void**>(&suiteP->surface_suiteP),
        reinterpret_cast<void**>(&suiteP->path_suiteP),
    };
    PF_Err err = PF_Err_NONE;
    for (size_t i = 0; i < 4 && err == PF_Err_NONE; ++i) {
        err = AcquireSuite(in_data, out_data, kDrawbotSuites[i].name, kDrawbotSuites[i].version,
                           nullptr, slots[i]);
    }
    return err;
}

PF_Err ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data) {
    for (const DrawbotSuiteName& suite : kDrawbotSuites) {
        if (in_data->pica_basicP) {
            in_data->pica_basicP->ReleaseSuite(suite.name, suite.version);
        } else {
            reportToHost(out_data, "Not able to release AEFX Suite.");
        }
    }
    return PF_Err_NONE;
}

}  // namespace Corvane::Tessory
