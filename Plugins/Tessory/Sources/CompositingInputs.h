// What the compositing of one frame needs, computed once from the frame's settings: the
// GL path uploads it as the program's uniforms, the CPU path uses it directly.
#pragma once

#include "Math/Affine.h"
#include "Math/Color.h"
#include "Math/Vec2.h"

namespace Corvane::Tessory {

/// Capacity of the per-instance transforms; the program's "transforms" array has this size.
inline constexpr int kMaxInstances = 20;

struct CompositingInputs {
    int shapeType = 0;  // a ShapeType's value has a body; any other draws nothing
    Vec2 viewPort;      // frame size in pixels
    float shapeSize1 = 0;
    float shapeSize2 = 0;
    Vec2 center;
    float drawShadow = 1;  // 1 shadow, 0 stroke
    // The edge band: the shadow's settings, or the stroke's when the edge type is Stroke.
    float edgeSize = 0;
    float edgeAlpha = 0;
    Color edgeColor;
    int instances = 0;  // within 0..kMaxInstances
    float shapeSize1Offset = 0;
    float shapeSize2Offset = 0;
    float opacityOffset = 0;
    float bgAlpha = 1;      // 0 with a transparent background
    float alphaFactor = 1;  // 1 fills outside the shape, -1 inside
    // From output pixel to instance i's own frame (the inverse of its placement).
    Affine transforms[kMaxInstances];
    // The shape's rotation about its centre.
    Affine shapeTransform;
};

}  // namespace Corvane::Tessory
