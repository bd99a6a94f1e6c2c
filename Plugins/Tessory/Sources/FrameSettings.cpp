#include "FrameSettings.h"

#include <algorithm>
#include <cstring>

#include "TessoryParams.h"

namespace Corvane::Tessory {
namespace {

// Reads parameters in list order. One error is carried through: after the first host
// error no further check-out is made and the remaining values read as zero, but every
// definition is still checked in.
class ParamReader {
  public:
    explicit ParamReader(PF_InData* in_data) : mInData(in_data) {}

    PF_ParamDef read(PF_ParamIndex index) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof(def));
        if (mErr == PF_Err_NONE) {
            mErr = mInData->inter.checkout_param(mInData->effect_ref, index, mInData->current_time,
                                                 mInData->time_step, mInData->time_scale, &def);
        }
        const PF_ParamDef value = def;
        const PF_Err checkin = mInData->inter.checkin_param(mInData->effect_ref, &def);
        if (mErr == PF_Err_NONE) {
            mErr = checkin;
        }
        return value;
    }

  private:
    PF_InData* mInData;
    PF_Err mErr = PF_Err_NONE;
};

Color toColor(const PF_Pixel& p) {
    return Color(p.red / 255.0, p.green / 255.0, p.blue / 255.0, p.alpha / 255.0);
}

}  // namespace

FrameSettings FrameSettings::read(PF_InData* in_data) {
    ParamReader params(in_data);
    // Sizes and offsets are given at full resolution; the frame may be downsampled.
    // A zero denominator is no scale at all and is read as full resolution.
    const A_u_long den = in_data->downsample_x.den != 0 ? in_data->downsample_x.den : 1;
    const float divisor = static_cast<float>(den);
    auto size = [&](PF_ParamIndex i) {
        return static_cast<float>(params.read(i).u.sd.value) / divisor;
    };
    auto offset = [&](PF_ParamIndex i) {
        return static_cast<float>(params.read(i).u.fs_d.value / static_cast<double>(divisor));
    };
    auto fraction = [&](PF_ParamIndex i) {
        return static_cast<float>(params.read(i).u.fs_d.value / 100.0);
    };

    FrameSettings s;
    s.mShapeType = params.read(kShapeType).u.pd.value;
    s.mShapeSize1 = size(kShapeSize1);
    s.mShapeSize2 = size(kShapeSize2);
    {
        // The host hands the point in the pixels of the frame being rendered already.
        const PF_ParamDef center = params.read(kShapeCenter);
        s.mCenter = Vec2(static_cast<double>(center.u.td.x_value >> 16),
                         static_cast<double>(center.u.td.y_value >> 16));
    }
    s.mShapeRotation = static_cast<float>(
        static_cast<double>(params.read(kShapeRotation).u.ad.value) * 1.52587890625e-05);
    s.mFillOutside = params.read(kFillType).u.pd.value == 1;
    s.mTransparentBackground = params.read(kTransparentBackground).u.bd.value != 0;
    s.mDrawShadow = params.read(kEdgeType).u.pd.value == 1;
    s.mShadowSize = size(kShadowSize);
    s.mShadowColor = toColor(params.read(kShadowColor).u.cd.value);
    s.mShadowOpacity = fraction(kShadowOpacity);
    s.mStrokeSize = size(kStrokeSize);
    s.mStrokeColor = toColor(params.read(kStrokeColor).u.cd.value);
    s.mStrokeOpacity = fraction(kStrokeOpacity);
    s.mInstances = params.read(kInstances).u.sd.value;
    s.mShapeSize1Offset = offset(kShapeSize1Offset);
    s.mShapeSize2Offset = offset(kShapeSize2Offset);
    s.mPositionXOffset = offset(kPositionXOffset);
    s.mPositionYOffset = offset(kPositionYOffset);
    s.mScaleXOffset = fraction(kScaleXOffset);
    s.mScaleYOffset = fraction(kScaleYOffset);
    s.mRotationOffset = static_cast<float>(params.read(kRotationOffset).u.fs_d.value);
    s.mOpacityOffset = fraction(kOpacityOffset);
    return s;
}

CompositingInputs FrameSettings::inputs(Vec2 size) const {
    CompositingInputs in;
    in.shapeType = mShapeType;
    in.viewPort = size;
    in.shapeSize1 = mShapeSize1;
    in.shapeSize2 = mShapeSize2;
    in.center = mCenter;
    in.drawShadow = mDrawShadow ? 1.0f : 0.0f;
    in.edgeSize = mDrawShadow ? mShadowSize : mStrokeSize;
    in.edgeAlpha = mDrawShadow ? mShadowOpacity : mStrokeOpacity;
    in.edgeColor = mDrawShadow ? mShadowColor : mStrokeColor;
    // The parameter's range keeps the count within the capacity; a host that sends more
    // must not make either path read past the array.
    in.instances = std::clamp(mInstances, 0, kMaxInstances);
    in.shapeSize1Offset = mShapeSize1Offset;
    in.shapeSize2Offset = mShapeSize2Offset;
    in.opacityOffset = mOpacityOffset;
    in.bgAlpha = mTransparentBackground ? 0.0f : 1.0f;
    in.alphaFactor = mFillOutside ? 1.0f : -1.0f;

    // Instance i is placed i steps of every offset away; compositing needs the inverse,
    // from output pixel to the instance's own frame.
    for (int i = 0; i < in.instances; ++i) {
        const double t = static_cast<double>(i);
        const Vec2 position =
            mCenter -
            Vec2(static_cast<double>(mPositionXOffset), static_cast<double>(mPositionYOffset)) * t;
        const Vec2 scale =
            Vec2(1.0, 1.0) -
            Vec2(static_cast<double>(mScaleXOffset), static_cast<double>(mScaleYOffset)) * t;
        const double angle = static_cast<double>(static_cast<float>(i) * mRotationOffset);
        Affine placement(true);
        placement.set(mCenter, position, scale, angle);
        in.transforms[i] = placement.getInverse();
    }
    in.shapeTransform.set(mCenter, mCenter, Vec2(1.0, 1.0), static_cast<double>(mShapeRotation));
    return in;
}

}  // namespace Corvane::Tessory
