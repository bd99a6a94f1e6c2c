// Entry point, command dispatch, the parameter list and parameter visibility.
#include "Tessory.h"

#include <glbinding/gl/gl.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <new>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "CpuRender.h"
#include "FrameSettings.h"
#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GL/AEOpenGLUtilities.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "GL/GLObject.h"
#include "Helper/SuiteScoper.h"
#include "ShapeType.h"
#include "TessoryParams.h"
#include "TessoryRender.h"

namespace Corvane::Tessory {
namespace {

constexpr const char* kDisplayName = "QX Tessory";
constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;
constexpr A_u_long kVersion = PF_VERSION(kMajorVersion, kMinorVersion, 0, PF_Stage_DEVELOP, 1);

// --- Parameter registration --------------------------------------------------------------

// One registered entry: what a type needs, the rest zero. Sliders use the ranges and the
// default; float sliders also precision and percent; popups the choice text, with the
// number of choices offered as the valid maximum; points the default as per cent of the
// layer; colours the default colour.
struct ParamEntry {
    ParamIndex position;
    PF_ParamType kind;
    const char* name;
    double validMin = 0, validMax = 0, sliderMin = 0, sliderMax = 0, dflt = 0;
    A_long flags = 0;
    A_long uiFlags = 0;
    A_short precision = 0;
    bool percent = false;
    const char* choices = nullptr;
    PF_Pixel color{};
};

// True when the entries stand at positions 1, 2, 3, ... in order.
template <size_t N>
constexpr bool inListOrder(const ParamEntry (&entries)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (entries[i].position != static_cast<A_long>(i + 1)) return false;
    }
    return N + 1 == kParamCount;
}

// Each entry starts from a zero-filled record; only what its type needs is set on top.
PF_ParamDef definition(PF_InData* in_data, const ParamEntry& e) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    def.param_type = e.kind;
    if (e.name) {
        in_data->utils->ansi.strcpy(def.name, e.name);
    }
    def.flags = e.flags;
    def.ui_flags = e.uiFlags;
    def.uu.id = e.position;  // disk identifiers equal list positions
    switch (e.kind) {
        case PF_Param_POPUP:
            def.u.pd.value = def.u.pd.dephault = static_cast<A_long>(e.dflt);
            def.u.pd.num_choices = static_cast<A_short>(e.validMax);
            def.u.pd.u.namesptr = e.choices;
            break;
        case PF_Param_SLIDER:
            def.u.sd.value = def.u.sd.dephault = static_cast<A_long>(e.dflt);
            def.u.sd.valid_min = static_cast<A_long>(e.validMin);
            def.u.sd.valid_max = static_cast<A_long>(e.validMax);
            def.u.sd.slider_min = static_cast<A_long>(e.sliderMin);
            def.u.sd.slider_max = static_cast<A_long>(e.sliderMax);
            break;
        case PF_Param_FLOAT_SLIDER:
            def.u.fs_d.value = e.dflt;
            def.u.fs_d.dephault = static_cast<float>(e.dflt);
            def.u.fs_d.valid_min = static_cast<float>(e.validMin);
            def.u.fs_d.valid_max = static_cast<float>(e.validMax);
            def.u.fs_d.slider_min = static_cast<float>(e.sliderMin);
            def.u.fs_d.slider_max = static_cast<float>(e.sliderMax);
            def.u.fs_d.precision = e.precision;
            def.u.fs_d.display_flags = e.percent ? PF_ValueDisplayFlag_PERCENT : 0;
            def.u.fs_d.curve_tolerance = 0.05f;
            break;
        case PF_Param_POINT:
            // The default is per cent of the layer, in 16.16 fixed point.
            def.u.td.x_value = def.u.td.x_dephault = static_cast<A_long>(e.dflt) << 16;
            def.u.td.y_value = def.u.td.y_dephault = static_cast<A_long>(e.dflt) << 16;
            break;
        case PF_Param_CHECKBOX:
            def.u.bd.u.nameptr = "";
            break;
        case PF_Param_COLOR:
            def.u.cd.value = def.u.cd.dephault = e.color;
            break;
        default:  // angle, group start and end: nothing beyond type, name and identifier
            break;
    }
    return def;
}

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                   PF_LayerDef* /*output*/) {
    static const char ShapeTypeStr[] =
        "Circle|Ring|Cross|Triangle|Rectangle|Hexagon|Octagon|T Shape|Chevron";
    static const char ShapeFillTypeStr[] = "Fill Outside|Fill Inside";
    static const char ShapeEdgeTypeStr[] = "Shadow|Stroke";
    constexpr PF_Pixel kOpaqueBlack{255, 0, 0, 0};
    constexpr A_long kSupervise = PF_ParamFlag_SUPERVISE;
    constexpr A_long kHidden = PF_PUI_INVISIBLE;

    // position, kind, name, valid min, max, slider min, max, default, flags, interface
    // flags, precision, percent, choices, colour.
    // Chevron is in the shape text but not offered: the menu has eight choices.
    static constexpr ParamEntry kEntries[] = {
        {kShapeType, PF_Param_POPUP, "Shape Type", 1, static_cast<double>(kLastOfferedShape), 0, 0,
         static_cast<double>(ShapeType::Circle), kSupervise, 0, 0, false, ShapeTypeStr},
        {kShapeSize1, PF_Param_SLIDER, "Shape Size 1", 0, 2000, 0, 2000, 300},
        {kShapeSize2, PF_Param_SLIDER, "Shape Size 2", 0, 2000, 0, 2000, 50},
        {kShapeCenter, PF_Param_POINT, "Shape Center", 0, 0, 0, 0, 50},
        {kShapeRotation, PF_Param_ANGLE, "Shape Rotation"},
        {kFillType, PF_Param_POPUP, "Fill Type", 1, 2, 0, 0, 1, kSupervise, 0, 0, false,
         ShapeFillTypeStr},
        {kTransparentBackground, PF_Param_CHECKBOX, "Transparent Background"},
        {kEdgeGroup, PF_Param_GROUP_START, "Edge"},
        {kEdgeType, PF_Param_POPUP, "Edge Type", 1, 2, 0, 0, 1, kSupervise, 0, 0, false,
         ShapeEdgeTypeStr},
        {kShadowSize, PF_Param_SLIDER, "Shadow Size", 0, 1000, 0, 500, 100},
        {kShadowColor, PF_Param_COLOR, "Shadow Color", 0, 0, 0, 0, 0, 0, 0, 0, false, nullptr,
         kOpaqueBlack},
        {kShadowOpacity, PF_Param_FLOAT_SLIDER, "Shadow Opacity", 0, 100, 0, 100, 40, 0, 0, 0,
         true},
        {kStrokeSize, PF_Param_SLIDER, "Stroke Size", 0, 60, 0, 30, 10, 0, kHidden},
        {kStrokeColor, PF_Param_COLOR, "Stroke Color", 0, 0, 0, 0, 0, 0, kHidden, 0, false, nullptr,
         kOpaqueBlack},
        {kStrokeOpacity, PF_Param_FLOAT_SLIDER, "Stroke Opacity", 0, 100, 0, 100, 100, 0, 0, 0,
         true},
        {kEdgeGroupEnd, PF_Param_GROUP_END, nullptr},
        {kEchoGroup, PF_Param_GROUP_START, "Echo"},
        {kInstances, PF_Param_SLIDER, "Instances", 1, 20, 1, 10, 5},
        {kShapeSize1Offset, PF_Param_FLOAT_SLIDER, "Shape Size 1 Offset", -1000, 1000, -300, 300, 0,
         0, 0, 1},
        {kShapeSize2Offset, PF_Param_FLOAT_SLIDER, "Shape Size 2 Offset", -1000, 1000, -300, 300, 0,
         0, 0, 1},
        {kPositionXOffset, PF_Param_FLOAT_SLIDER, "Position X Offset", -2000, 2000, -300, 300, 0, 0,
         0, 1},
        {kPositionYOffset, PF_Param_FLOAT_SLIDER, "Position Y Offset", -2000, 2000, -300, 300, 0, 0,
         0, 1},
        {kScaleXOffset, PF_Param_FLOAT_SLIDER, "Scale X Offset", -200, 200, -100, 100, 10, 0, 0, 1,
         true},
        {kScaleYOffset, PF_Param_FLOAT_SLIDER, "Scale Y Offset", -200, 200, -100, 100, 10, 0, 0, 1,
         true},
        {kRotationOffset, PF_Param_FLOAT_SLIDER, "Rotation Offset", -360, 360, -360, 360, 0, 0, 0,
         1},
        {kOpacityOffset, PF_Param_FLOAT_SLIDER, "Opacity Offset", 0, 100, 0, 100, 0, 0, 0, 1, true},
        {kEchoGroupEnd, PF_Param_GROUP_END, nullptr},
    };
    static_assert(inListOrder(kEntries), "every position from 1 to 27, in order");

    out_data->num_params = kParamCount;
    // Registration stops at the first refusal; what was registered before it stays.
    for (const ParamEntry& entry : kEntries) {
        PF_ParamDef def = definition(in_data, entry);
        if (const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def)) {
            return err;
        }
    }
    return PF_Err_NONE;
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
    // The frame's render targets are dropped, not resolved: nothing is allocated while a
    // failure unwinds.
    ~FrameScope() {
        mTexture.reset();
        if (mDrawing) {
            mFrameBuffer->clearStack();
        }
    }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

    GLTexture mTexture;
    bool mDrawing = false;

  private:
    AEOpenglMainFrameBuffer* mFrameBuffer;
};

// The CPU renderer and its threads, made by the first frame that the host sends without a
// GPU framework and kept until global tear-down.
std::mutex gCpuMutex;
std::unique_ptr<CpuRender> gCpuRender;

CpuRender& cpuRender() {
    std::lock_guard<std::mutex> lock(gCpuMutex);
    if (!gCpuRender) gCpuRender = std::make_unique<CpuRender>();
    return *gCpuRender;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
    // Written first, so the host knows the module even when the GL set-up fails.
    out_data->my_version = kVersion;
    out_data->out_flags = PF_OutFlag_NONE;
    out_data->out_flags2 = PF_OutFlag2_NONE;
    // A host that offers no GPU may have no GL at all: nothing of GL is touched.
    if (in_data->what_gpu == PF_GPU_Framework_NONE) {
        gTornDown = false;
        return PF_Err_NONE;
    }

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

// Releases whatever GL the effect made, whether or not the host offers GL now (it may
// have offered it earlier); an effect that made none, perhaps on a machine without GL,
// touches no GL.
PF_Err GlobalSetdown() {
    {
        std::lock_guard<std::mutex> lock(gCpuMutex);
        gCpuRender.reset();
    }
    if (!AEOpenGLContextManager::getSharedDataContext() &&
        AEOpenGLContextManager::renderContextCount() == 0) {
        gTornDown = true;
        return PF_Err_NONE;
    }
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

// The host's layer as the CPU renderer reads or writes it.
CpuRender::Pixels hostPixels(PF_InData* in_data, PF_LayerDef* layer) {
    PF_Pixel8* first = nullptr;
    const PF_Err err = in_data->utils->get_pixel_data8(layer, nullptr, &first);
    if (err != PF_Err_NONE) throw static_cast<A_Err>(err);
    if (!first) throw static_cast<A_Err>(PF_Err_BAD_CALLBACK_PARAM);
    return CpuRender::Pixels{reinterpret_cast<unsigned char*>(first), layer->rowbytes, layer->width,
                             layer->height};
}

PF_Err RenderOnCpu(PF_InData* in_data, PF_ParamDef* params[], PF_LayerDef* output) {
    PF_LayerDef* input = &params[kInputLayer]->u.ld;
    const CpuRender::Pixels source = hostPixels(in_data, input);
    const CpuRender::Pixels target = hostPixels(in_data, output);
    const CompositingInputs inputs = FrameSettings::read(in_data).inputs(
        Vec2(static_cast<double>(input->width), static_cast<double>(input->height)));
    cpuRender().render(inputs, source, target);
    return PF_Err_NONE;
}

// Between a tear-down and the next set-up (see gTornDown) a frame is refused with
// PF_Err_INTERNAL_STRUCT_DAMAGED and nothing is touched. A host that offers no GPU
// framework gets the frame from the CPU renderer.
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output) {
    if (gTornDown) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    if (in_data->what_gpu == PF_GPU_Framework_NONE) {
        return RenderOnCpu(in_data, params, output);
    }
    if (!kRender) {
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
    frame.mTexture = GLTexture(AEOpenGLUtilities::UploadTexture(kPixelFormatARGB32, input, output,
                                                                in_data, bytesPerPixel, pixelType,
                                                                multiplier16bit, false));
    kRender->prepare(in_data, out_data);
    kRender->draw(frame.mTexture.id(), multiplier16bit,
                  Vec2(static_cast<double>(width), static_cast<double>(height)));
    frame.mTexture.reset();

    frameBuffer->endDrawing(multiplier16bit);
    frame.mDrawing = false;
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
            return GlobalSetdown();
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
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        // A host must never see an exception: it cannot unwind through its own frames.
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}
