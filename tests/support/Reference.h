// A CPU model of one effect frame, written independently of the plug-in: the parameter
// conversions, the instance transforms, the compositing formulas in single precision with
// mirror addressing and bilinear sampling at texel centres, and the 8-bit round trips of
// the render target and the output pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AE_Effect.h"
#include "Host/Layer.h"

namespace Corvane::Tessory::Testing {

/// Parameter values as a user sets them, at full resolution.
struct EffectSettings {
    int shapeType = 1;
    double size1 = 300;
    double size2 = 50;
    double centerX = 0;  // full-resolution pixels
    double centerY = 0;
    double rotation = 0;  // degrees
    int fillType = 1;     // 1 outside, 2 inside
    bool transparentBackground = false;
    int edgeType = 1;  // 1 shadow, 2 stroke
    double shadowSize = 100;
    PF_Pixel shadowColor{255, 0, 0, 0};
    double shadowOpacity = 40;  // per cent
    double strokeSize = 10;
    PF_Pixel strokeColor{255, 0, 0, 0};
    double strokeOpacity = 100;
    int instances = 5;
    double size1Offset = 0;
    double size2Offset = 0;
    double positionXOffset = 0;
    double positionYOffset = 0;
    double scaleXOffset = 10;  // per cent
    double scaleYOffset = 10;
    double rotationOffset = 0;  // degrees
    double opacityOffset = 0;   // per cent
};

/// Signed distance of a shape body (types 1..9) at p for a shape about origin.
float shapeDistance(int shapeType, float px, float py, float ox, float oy, float size1,
                    float size2);

struct ReferenceFrame {
    std::vector<PF_Pixel> pixels;  // host order, row by row
    std::vector<uint8_t> nearOutline;
    int width = 0;
    int height = 0;
    const PF_Pixel& at(int x, int y) const { return pixels[y * width + x]; }
};

ReferenceFrame renderReference(const Host::Layer& input, const EffectSettings& s, int shapeType,
                               A_long num = 1, A_u_long den = 1);

/// The test picture: opaque, smooth gradients in every channel, so a sample shows where in
/// the layer it came from.
void fillGradient(Host::Layer& layer, uint8_t alpha = 255);

struct Comparison {
    int compared = 0;
    int nearOutline = 0;
    int worst = 0;  // largest channel difference off the outlines
    int worstX = -1, worstY = -1;
    std::string describe() const;
};

Comparison compare(const ReferenceFrame& ref, const Host::Layer& gl);

}  // namespace Corvane::Tessory::Testing
