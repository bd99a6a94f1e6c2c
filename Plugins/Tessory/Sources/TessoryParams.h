// The positions of the effect's parameters in the host's parameter array: the one place
// that names them. Registration, the render settings and the visibility handler all read
// parameters through these names.
#pragma once

#include "AE_Effect.h"

namespace Corvane::Tessory {

enum ParamIndex : A_long {
    kInputLayer = 0,  // supplied by the host, not registered
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
    kParamCount  // the input layer and 27 registered entries
};
static_assert(kParamCount == 28);

}  // namespace Corvane::Tessory
