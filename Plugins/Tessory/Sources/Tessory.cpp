// Entry point, command dispatch, the parameter list and parameter visibility.
#include "Tessory.h"

#include <glbinding/gl/gl.h>

#include <cstdint>
#include <initializer_list>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GL/AEOpenGLUtilities.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "Helper/SuiteScoper.h"
#include "TessoryRender.h"

namespace Corvane::Tessory {
namespace {

constexpr const char* kDisplayName = "QX Tessory";
constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;
constexpr A_u_long kVersion = PF_VERSION(kMajorVersion, kMinorVersion, 0, PF_Stage_DEVELOP, 1);

constexpr A_long kParamCount = 28;  // the input layer and 27 registered entries

// List positions read by the render settings and the visibility handler.
enum ParamIndex : A_long {
    kInputLayer = 0,
    kShapeType,
    kShapeSize1,
    kShapeSize2,
    kShapeCenter,
    kShapeRotation,
    kFillType,
    kTransparentBackground,
    kEdgeGroup,
    kEdgeType,
    kShadowSize,
    kShadowColor,
    kShadowOpacity,
    kStrokeSize,
    kStrokeColor,
    kStrokeOpacity,
    kEdgeGroupEnd,
    kEchoGroup,
    kInstances,
    kShapeSize1Offset,
    kShapeSize2Offset,
    kPositionXOffset,
    kPositionYOffset,
    kScaleXOffset,
    kScaleYOffset,
    kRotationOffset,
    kOpacityOffset,
    kEchoGroupEnd,
};
static_assert(kEchoGroupEnd + 1 == kParamCount);

// --- Parameter registration --------------------------------------------------------------

// Each entry starts from a zero-filled record; only what a type needs is set on top.
class ParamList {
  public:
    ParamList(PF_InData* in_data) : mInData(in_data) {}

    PF_Err popup(const char* name, A_short choices, const char* names) {
        PF_ParamDef def = begin(PF_Param_POPUP, name, PF_ParamFlag_SUPERVISE);
        def.u.pd.value = 1;
        def.u.pd.dephault = 1;
        def.u.pd.num_choices = choices;
        def.u.pd.u.namesptr = names;
        return add(def);
    }

    PF_Err slider(const char* name, A_long validMin, A_long validMax, A_long sliderMin,
                  A_long sliderMax, A_long dflt, A_long uiFlags = 0) {
        PF_ParamDef def = begin(PF_Param_SLIDER, name);
        def.ui_flags = uiFlags;
        def.u.sd.value = dflt;
        def.u.sd.dephault = dflt;
        def.u.sd.valid_min = validMin;
        def.u.sd.valid_max = validMax;
        def.u.sd.slider_min = sliderMin;
        def.u.sd.slider_max = sliderMax;
        return add(def);
    }

    PF_Err floatSlider(const char* name, float validMin, float validMax, float sliderMin,
                       float sliderMax, float dflt, A_short precision, bool percent) {
        PF_ParamDef def = begin(PF_Param_FLOAT_SLIDER, name);
        def.u.fs_d.value = dflt;
        def.u.fs_d.dephault = dflt;
        def.u.fs_d.valid_min = validMin;
        def.u.fs_d.valid_max = validMax;
        def.u.fs_d.slider_min = sliderMin;
        def.u.fs_d.slider_max = sliderMax;
        def.u.fs_d.precision = precision;
        def.u.fs_d.display_flags = percent ? PF_ValueDisplayFlag_PERCENT : 0;
        def.u.fs_d.curve_tolerance = 0.05f;
        return add(def);
    }

    PF_Err point(const char* name, A_long xPercent, A_long yPercent) {
        PF_ParamDef def = begin(PF_Param_POINT, name);
        def.u.td.x_value = def.u.td.x_dephault = xPercent << 16;
        def.u.td.y_value = def.u.td.y_dephault = yPercent << 16;
        def.u.td.restrict_bounds = 0;
        return add(def);
    }

    PF_Err angle(const char* name) { return add(begin(PF_Param_ANGLE, name)); }

    PF_Err checkbox(const char* name, const char* label) {
        PF_ParamDef def = begin(PF_Param_CHECKBOX, name);
        def.u.bd.u.nameptr = label;
        return add(def);
    }

    PF_Err color(const char* name, PF_Pixel dflt, A_long uiFlags = 0) {
        PF_ParamDef def = begin(PF_Param_COLOR, name);
        def.ui_flags = uiFlags;
        def.u.cd.value = dflt;
        def.u.cd.dephault = dflt;
        return add(def);
    }

    PF_Err groupStart(const char* name) { return add(begin(PF_Param_GROUP_START, name)); }
    PF_Err groupEnd() { return add(begin(PF_Param_GROUP_END, nullptr)); }

  private:
    PF_ParamDef begin(PF_ParamType type, const char* name, A_long flags = 0) {
        PF_ParamDef def{};
        def.param_type = type;
        if (name) {
            mInData->utils->ansi.strcpy(def.name, name);
        }
        def.flags = flags;
        def.uu.id = ++mPosition;  // disk identifiers equal list positions
        return def;
    }

    PF_Err add(PF_ParamDef def) { return mInData->inter.add_param(mInData->effect_ref, -1, &def); }

    PF_InData* mInData;
    A_long mPosition = 0;
};

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                   PF_LayerDef* /*output*/) {
    static const char ShapeTypeStr[] =
        "Circle|Ring|Cross|Triangle|Rectangle|Hexagon|Octagon|T Shape|Chevron";
    static const char ShapeFillTypeStr[] = "Fill Outside|Fill Inside";
    static const char ShapeEdgeTypeStr[] = "Shadow|Stroke";
    constexpr PF_Pixel kOpaqueBlack{255, 0, 0, 0};

    out_data->num_params = kParamCount;
    ParamList p(in_data);
    PF_Err err = PF_Err_NONE;
    // Registration stops at the first refusal; what was registered before it stays.
    auto run = [&err](auto&& step) {
        if (err == PF_Err_NONE) err = step();
    };

    // Chevron is in the text but not offered: the menu has eight choices.
    run([&] { return p.popup("Shape Type", 8, ShapeTypeStr); });
    run([&] { return p.slider("Shape Size 1", 0, 2000, 0, 2000, 300); });
    run([&] { return p.slider("Shape Size 2", 0, 2000, 0, 2000, 50); });
    run([&] { return p.point("Shape Center", 50, 50); });
    run([&] { return p.angle("Shape Rotation"); });
    run([&] { return p.popup("Fill Type", 2, ShapeFillTypeStr); });
    run([&] { return p.checkbox("Transparent Background", ""); });
    run([&] { return p.groupStart("Edge"); });
    run([&] { return p.popup("Edge Type", 2, ShapeEdgeTypeStr); });
    run([&] { return p.slider("Shadow Size", 0, 1000, 0, 500, 100); });
    run([&] { return p.color("Shadow Color", kOpaqueBlack); });
    run([&] { return p.floatSlider("Shadow Opacity", 0, 100, 0, 100, 40, 0, true); });
    run([&] { return p.slider("Stroke Size", 0, 60, 0, 30, 10, PF_PUI_INVISIBLE); });
    run([&] { return p.color("Stroke Color", kOpaqueBlack, PF_PUI_INVISIBLE); });
    run([&] { return p.floatSlider("Stroke Opacity", 0, 100, 0, 100, 100, 0, true); });
    run([&] { return p.groupEnd(); });
    run([&] { return p.groupStart("Echo"); });
    run([&] { return p.slider("Instances", 1, 20, 1, 10, 5); });
    run([&] { return p.floatSlider("Shape Size 1 Offset", -1000, 1000, -300, 300, 0, 1, false); });
    run([&] { return p.floatSlider("Shape Size 2 Offset", -1000, 1000, -300, 300, 0, 1, false); });
    run([&] { return p.floatSlider("Position X Offset", -2000, 2000, -300, 300, 0, 1, false); });
    run([&] { return p.floatSlider("Position Y Offset", -2000, 2000, -300, 300, 0, 1, false); });
    run([&] { return p.floatSlider("Scale X Offset", -200, 200, -100, 100, 10, 1, true); });
    run([&] { return p.floatSlider("Scale Y Offset", -200, 200, -100, 100, 10, 1, true); });
    run([&] { return p.floatSlider("Rotation Offset", -360, 360, -360, 360, 0, 1, false); });
    run([&] { return p.floatSlider("Opacity Offset", 0, 100, 0, 100, 0, 1, true); });
    run([&] { return p.groupEnd(); });
    return err;
}

// --- Commands ----------------------------------------------------------------------------

PF_Err About(PF_InData* in_data, PF_OutData* out_data) {
    SuiteScoper<PF_ANSICallbacksSuite1> ansi(in_data, kPFANSISuite, 1);
    ansi->sprintf(out_data->return_msg, "%s v%d.%d\r%s", kDisplayName, kMajorVersion, kMinorVersion,
                  kDisplayName);
    return PF_Err_NONE;
}

// --- GL lifetime and frames -----------------------------------------------------------------

// 8 bits per channel, alpha, red, green, blue: the only layout the effect declares.
constexpr int kPixelFormatARGB32 = AEOpenGLUtilities::kFormat8;

// Set by global tear-down, cleared by the next global set-up: in between the render pass
// and the contexts are gone, so a frame is answered with an error instead of a crash or a
// blank frame. A new set-up makes everything again (hosts that keep a module loaded
// across sessions send set-up, frames, tear-down more than once).
bool gTornDown = false;

// What a frame made in GL and has not handed on yet, released if a step throws. Declared
// after the context guard, so it runs while the render context is still current.
class FrameScope {
  public:
    explicit FrameScope(AEOpenglMainFrameBuffer* frameBuffer) : mFrameBuffer(frameBuffer) {}
    ~FrameScope() {
        if (mTexture != 0) {
            gl::glDeleteTextures(1, &mTexture);
        }
        if (mDrawing) {
            const gl::GLuint target = mFrameBuffer->popRenderContext();
            if (target != 0) {
                gl::glDeleteTextures(1, &target);
            }
        }
    }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

    gl::GLuint mTexture = 0;
    bool mDrawing = false;

  private:
    AEOpenglMainFrameBuffer* mFrameBuffer;
};

PF_Err GlobalSetup(PF_InData* /*in_data*/, PF_OutData* out_data) {
    // Written first, so the host knows the module even when the GL set-up fails.
    out_data->my_version = kVersion;
    out_data->out_flags = PF_OutFlag_NONE;
    out_data->out_flags2 = PF_OutFlag2_NONE;

    // The guard also puts the host's context back if a step throws.
    SaveRestoreGLContextMac hostContext;
    AEOpenGLContextManager::setupContextManager();
    if (!kRender) {
        kRender = new FinalRender();
    }
    gTornDown = false;
    hostContext.restore();
    return PF_Err_NONE;
}

PF_Err GlobalSetdown(PF_InData* /*in_data*/) {
    SaveRestoreGLContextMac hostContext;
    AEOpenGLContext* context = AEOpenGLContextManager::getSharedDataContext();
    // Without a set-up the frames rendered in contexts of their own; one of them serves to
    // delete the shared objects. A repeated tear-down has nothing left to delete.
    if (!context && !gTornDown) {
        context = AEOpenGLContextManager::getCurrentRenderContext();
    }
    if (context) {
        context->makeContextCurrent();
        AEOpenglMainFrameBuffer::mainFrameBuffer()->destory();
        delete kRender;
        kRender = nullptr;
    }
    AEOpenGLContextManager::releaseContextManager();
    gTornDown = true;
    hostContext.restore();
    return PF_Err_NONE;
}

// Between a tear-down and the next set-up (see gTornDown) a frame is refused with
// PF_Err_INTERNAL_STRUCT_DAMAGED and nothing is touched.
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output) {
    if (gTornDown || !kRender) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    SaveRestoreGLContextMac hostContext;
    AEOpenGLContextManager::getCurrentRenderContext()->makeContextCurrent();

    PF_LayerDef* input = &params[kInputLayer]->u.ld;
    const int64_t width = input->width;
    const int64_t height = input->height;

    AEOpenglMainFrameBuffer* frameBuffer = AEOpenglMainFrameBuffer::mainFrameBuffer();
    FrameScope frame(frameBuffer);
    frameBuffer->prepare(width, height, true);
    frameBuffer->beginDrawing();
    frame.mDrawing = true;

    unsigned long bytesPerPixel = 4;
    gl::GLenum pixelType = gl::GL_UNSIGNED_BYTE;
    float multiplier16bit = 1.0f;
    frame.mTexture =
        AEOpenGLUtilities::UploadTexture(kPixelFormatARGB32, input, output, in_data, bytesPerPixel,
                                         pixelType, multiplier16bit, false);
    kRender->prepare(in_data, out_data);
    kRender->draw(frame.mTexture, multiplier16bit,
                  Vec2(static_cast<double>(width), static_cast<double>(height)));
    gl::glDeleteTextures(1, &frame.mTexture);
    frame.mTexture = 0;

    frame.mDrawing = false;
    frameBuffer->endDrawing(multiplier16bit);
    AEOpenGLUtilities::DownloadTexture(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                       input, output, in_data, kPixelFormatARGB32, bytesPerPixel,
                                       pixelType);
    hostContext.restore();
    return PF_Err_NONE;
}

// Shows or hides one control through its stream's hidden flag; flags change only when the
// state differs, the interface is asked to redraw in every case.
PF_Err ChangeParamVisibility(PF_InData* in_data, A_long index, PF_ParamDef* params[], bool show,
                             AEGP_EffectRefH effect,
                             SuiteScoper<AEGP_DynamicStreamSuite2>& dynamicStreams,
                             SuiteScoper<AEGP_StreamSuite2>& streams,
                             SuiteScoper<PF_ParamUtilsSuite3>& paramUtils) {
    AEGP_StreamRefH stream = nullptr;
    streams->AEGP_GetNewEffectStreamByIndex(0, effect, index, &stream);
    if (stream) {
        AEGP_DynStreamFlags flags = 0;
        dynamicStreams->AEGP_GetDynamicStreamFlags(stream, &flags);
        const bool hidden = (flags & AEGP_DynStreamFlag_HIDDEN) != 0;
        if (show && hidden) {
            dynamicStreams->AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, false,
                                                      false);
        } else if (!show && !hidden) {
            dynamicStreams->AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, false,
                                                      true);
        }
        streams->AEGP_DisposeStream(stream);
    }
    return paramUtils->PF_UpdateParamUI(in_data->effect_ref, index, params[index]);
}

PF_Err UpdateEdgeVisibility(PF_InData* in_data, PF_ParamDef* params[]) {
    SuiteScoper<PF_ParamUtilsSuite3> paramUtils(in_data, kPFParamUtilsSuite, 3);
    SuiteScoper<AEGP_EffectSuite2> effects(in_data, kAEGPEffectSuite, 2);
    SuiteScoper<AEGP_PFInterfaceSuite1> pfInterface(in_data, kAEGPPFInterfaceSuite, 1);
    SuiteScoper<AEGP_DynamicStreamSuite2> dynamicStreams(in_data, kAEGPDynamicStreamSuite, 2);
    SuiteScoper<AEGP_StreamSuite2> streams(in_data, kAEGPStreamSuite, 7);
    // A suite answered with a null table ends the command here, before any handle is
    // taken that the throw would leave behind.
    const void* tables[] = {paramUtils.get(), effects.get(), pfInterface.get(),
                            dynamicStreams.get(), streams.get()};
    for (const void* table : tables) {
        if (!table) throw static_cast<A_Err>(A_Err_MISSING_SUITE);
    }

    AEGP_EffectRefH effect = nullptr;
    pfInterface->AEGP_GetNewEffectForEffect(0, in_data->effect_ref, &effect);
    // Without an effect handle no stream can be reached; the update is skipped as a whole.
    if (!effect) {
        return PF_Err_NONE;
    }
    const bool showShadow = params[kEdgeType]->u.pd.value == 1;
    for (A_long index : {kShadowSize, kShadowColor, kShadowOpacity}) {
        ChangeParamVisibility(in_data, index, params, showShadow, effect, dynamicStreams, streams,
                              paramUtils);
    }
    for (A_long index : {kStrokeSize, kStrokeColor, kStrokeOpacity}) {
        ChangeParamVisibility(in_data, index, params, !showShadow, effect, dynamicStreams, streams,
                              paramUtils);
    }
    effects->AEGP_DisposeEffect(effect);
    return PF_Err_NONE;
}

PF_Err UserChangedParam(PF_InData* in_data, PF_ParamDef* params[], void* extra) {
    const auto* change = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (change->param_index != kEdgeType) {
        return PF_Err_NONE;
    }
    return UpdateEdgeVisibility(in_data, params);
}

PF_Err Dispatch(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) {
    switch (cmd) {
        case PF_Cmd_ABOUT:
            return About(in_data, out_data);
        case PF_Cmd_GLOBAL_SETUP:
            return GlobalSetup(in_data, out_data);
        case PF_Cmd_GLOBAL_SETDOWN:
            return GlobalSetdown(in_data);
        case PF_Cmd_PARAMS_SETUP:
            return ParamsSetup(in_data, out_data, params, output);
        case PF_Cmd_RENDER:
            return Render(in_data, out_data, params, output);
        case PF_Cmd_USER_CHANGED_PARAM:
            return UserChangedParam(in_data, params, extra);
        case PF_Cmd_UPDATE_PARAMS_UI:
            return UpdateEdgeVisibility(in_data, params);
        default:
            return PF_Err_NONE;
    }
}

}  // namespace
}  // namespace Corvane::Tessory

extern "C" PF_Err EntryPointFunc(A_long cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    try {
        return Corvane::Tessory::Dispatch(cmd, in_data, out_data, params, output, extra);
    } catch (A_Err) {
        // Suites acquired before the throw are already given back by their scopers.
        return PF_Err_BAD_CALLBACK_PARAM;
    }
}
