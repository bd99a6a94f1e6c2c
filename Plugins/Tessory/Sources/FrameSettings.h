// The effect's parameter values for one frame, read from the host in list order, and the
// compositing inputs both render paths take from them.
#pragma once

#include "AE_Effect.h"
#include "CompositingInputs.h"
#include "Math/Color.h"
#include "Math/Vec2.h"

namespace Corvane::Tessory {

class FrameSettings {
  public:
    /// Checks out every parameter at the frame's time, converting sizes and offsets from
    /// full resolution to the frame's downsampling. After the first host error nothing
    /// more is checked out and the remaining values read as zero; every definition is
    /// still checked in.
    static FrameSettings read(PF_InData* in_data);

    /// The compositing inputs for a frame of that size: the edge band's settings chosen by
    /// the edge type, the instance count within capacity, and the instance transforms.
    CompositingInputs inputs(Vec2 size) const;

    int shapeType() const { return mShapeType; }

  private:
    int mShapeType = 0;
    float mShapeSize1 = 0;
    float mShapeSize2 = 0;
    Vec2 mCenter{0.0, 0.0};
    float mShapeRotation = 0;
    bool mDrawShadow = true;
    float mShadowSize = 0;
    Color mShadowColor;
    float mShadowOpacity = 0;
    float mStrokeSize = 0;
    Color mStrokeColor;
    float mStrokeOpacity = 0;
    bool mFillOutside = true;
    bool mTransparentBackground = false;
    int mInstances = 1;
    float mShapeSize1Offset = 0;
    float mShapeSize2Offset = 0;
    float mPositionXOffset = 0;
    float mPositionYOffset = 0;
    float mScaleXOffset = 0;
    float mScaleYOffset = 0;
    float mRotationOffset = 0;
    float mOpacityOffset = 0;
};

}  // namespace Corvane::Tessory
