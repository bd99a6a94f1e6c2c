// The GL render pass: the compositing program text, the shape bodies and the draw.
#include "TessoryRender.h"

#include <glbinding/gl/gl.h>

#include "GL/OpenglShader.h"
#include "ShapeType.h"

namespace Corvane::Tessory {

FinalRender* kRender = new FinalRender();

namespace {

using namespace gl;

// One full-frame pass: the layer's own pixel at the bottom, the echo instances composited
// over it from the last to the first. shapeFunc is defined by the body appended after this
// text. The texture holds the host's alpha, red, green, blue in its r, g, b, a slots.
const std::string kCompositingProgram = R"(#version 330
in vec2 uv;
out vec4 colourOut;

uniform vec2 viewPort;
uniform float shapeSize1;
uniform float shapeSize2;
uniform mat3 shapeTransform;
uniform vec2 center;
uniform float shadowSize;
uniform float shadowAlpha;
uniform vec4 shadowColor;
uniform float bgAlpha;
uniform float alphaFactor;
uniform float drawShadow;
uniform int instances;
uniform mat3 transforms[20];
uniform float opacityOffset;
uniform float shapeSize1Offset;
uniform float shapeSize2Offset;
uniform sampler2D videoTexture;
uniform float multiplier16bit;

const float SQRT_2 = 1.4142135623730951;

vec4 swapChannel(vec4 eColor) {
    return vec4(eColor.g, eColor.b, eColor.a, eColor.r);
}

float shapeFunc(vec2 uv, vec2 origin, float size1, float size2);

// One-pixel soft edge on the positive side of the outline.
float d2alpha(float d) {
    return smoothstep(0.0, 1.0, d);
}

// The shadow or stroke band, measured from distance 1 towards smaller distances. A width
// of 0 draws no band: smoothstep with equal edges has no defined value.
float d2edge(float d, float edgeWidth) {
    if (edgeWidth <= 0.0) {
        return 0.0;
    }
    d = d - 1.0;
    float shadow = 1.0 - smoothstep(0.0, edgeWidth, abs(d));
    float stroke = 1.0 - smoothstep(edgeWidth, edgeWidth + 1.0, abs(d));
    return clamp(mix(mix(stroke, shadow, drawShadow), 0.0, step(0.0, d)), 0.0, 1.0);
}

// Source over previous, straight colours; the colour is not divided by the new alpha.
vec4 blendColor(vec4 previousColor, vec4 sourceColor) {
    float frag_alpha = sourceColor.a + previousColor.a * (1.0 - sourceColor.a);
    vec3 rgb = sourceColor.rgb;
    vec3 color = (1.0 - sourceColor.a) * previousColor.rgb
        + sourceColor.a * ((1.0 - previousColor.a) * sourceColor.rgb + previousColor.a * rgb);
    return vec4(color, frag_alpha);
}

// Mirror addressing: positions beyond the frame sample a mirrored copy of the layer.
vec2 clampUV(vec2 uv) {
    vec2 c = abs(uv);
    return mix(fract(c), 1.0 - fract(c), sign(mod(floor(c), 2.0)));
}

vec4 drawLayer(vec2 pos, int layerIndex) {
    float k = float(layerIndex);
    pos = (transforms[layerIndex] * vec3(pos, 1.0)).xy;
    float d = alphaFactor * shapeFunc((shapeTransform * vec3(pos, 1.0)).xy, center,
                                      shapeSize1 + shapeSize1Offset * k,
                                      shapeSize2 + shapeSize2Offset * k);
    float a = d2alpha(d);
    float edge = d2edge(d, shadowSize);
    vec4 color = swapChannel(texture(videoTexture, clampUV(pos / viewPort)));
    color.a = color.a * a;
    vec4 shadow = vec4(shadowColor.rgb, shadowColor.a * edge * edge * shadowAlpha);
    color = blendColor(shadow, color);
    color.a = color.a * clamp((1.0 - opacityOffset * k), 0.0, 1.0);
    return color;
}

void main() {
    vec2 pos = uv * viewPort;
    vec4 bg = swapChannel(texture(videoTexture, vec2(uv.x, uv.y)));
    bg.a = bg.a * bgAlpha;
    for (int i = instances - 1; i >= 0; i--) {
        bg = blendColor(bg, drawLayer(pos, i));
    }
    colourOut = vec4(bg.a * bg.r, bg.a * bg.g, bg.a * bg.b, bg.a) * multiplier16bit;
}
)";

// Signed distances in pixels: negative inside, zero on the outline.
const char* const kCircleBody = R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    return length(uv - origin) - size1;
}
)";

const char* const kRingBody = R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 P = origin - uv;
    float r = length(P);
    float r1 = r - size1;
    float r2 = r - size2;
    return max(r1, -r2);
}
)";

const char* const kCrossBody = R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 P = origin - uv;
    float x = SQRT_2/2.0 * (P.x - P.y);
    float y = SQRT_2/2.0 * (P.x + P.y);
    float r1 = max(abs(x - size2), abs(x + size2));
    float r2 = max(abs(y - size2), abs(y + size2));
    float r3 = max(abs(x), abs(y));
    float r = max(min(r1, r2), r3);
    return r - size1/2.0;
}
)";

const char* const kTriangleBody =
    R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 1.0471975511965976;
    float w = 2.0943951023931953;
    float dist = cos(floor(.5 + a / w) * w - a) * length(st);
    return dist - size1;
}
)";

const char* const kRectangleBody =
    R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 tl = origin - vec2(size1, size2);
    vec2 br = origin + vec2(size1, size2);
    vec2 d = max(tl - uv, uv - br);
    return length(max(vec2(0.0), d)) + min(0.0, max(d.x, d.y));
}
)";

const char* const kHexagonBody =
    R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 0.5235987755982988;
    float w = 1.0471975511965976;
    float dist = cos(floor(.5 + a / w) * w - a) * length(st);
    return dist - size1;
}
)";

const char* const kOctagonBody =
    R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 st = origin - uv;
    float a = atan(st.x, st.y) + 0.39269908169872414;
    float w = 0.7853981633974483;
    float dist = cos(floor(.5 + a / w) * w - a) * length(st);
    return dist - size1;
}
)";

const char* const kTShapeBody = R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 P = origin - uv;
    float x = -P.y;
    float y = P.x;
    float r1 = max(abs(x - size2 + size2), abs(x - size2 - size2));
    float r2 = max(abs(y - size2), abs(y + size2));
    float r3 = max(abs(x), abs(y));
    float r = max(min(r1, r2), r3);
    return r - size1/2.0;
}
)";

const char* const kChevronBody =
    R"(float shapeFunc(vec2 uv, vec2 origin, float size1, float size2) {
    vec2 P = origin - uv;
    float x = 1./SQRT_2 * (P.x - P.y);
    float y = 1./SQRT_2 * (P.x + P.y);
    float r1 = max(abs(x), abs(y)) - size1;
    float r2 = max(abs(x - size1), abs(y - size1)) - size1;
    return max(r1, -r2);
}
)";

}  // namespace

FinalRender::FinalRender() = default;

// The quad's destructor deletes every context's buffer and the current context's vertex
// array; the program goes with mShader.
FinalRender::~FinalRender() = default;

const std::string& FinalRender::compositingProgram() {
    return kCompositingProgram;
}

std::string FinalRender::shapeBody(int shapeType) {
    switch (static_cast<ShapeType>(shapeType)) {
        case ShapeType::Circle:
            return kCircleBody;
        case ShapeType::Ring:
            return kRingBody;
        case ShapeType::Cross:
            return kCrossBody;
        case ShapeType::Triangle:
            return kTriangleBody;
        case ShapeType::Rectangle:
            return kRectangleBody;
        case ShapeType::Hexagon:
            return kHexagonBody;
        case ShapeType::Octagon:
            return kOctagonBody;
        case ShapeType::TShape:
            return kTShapeBody;
        case ShapeType::Chevron:  // in the library, not in the menu: reached only by a stored value
            return kChevronBody;
        default:
            return std::string();
    }
}

std::string FinalRender::shapeFunc() const {
    return shapeBody(mSettings.shapeType());
}

void FinalRender::buildShader() {
    if (mShader) {
        return;
    }
    // An unknown shape leaves shapeFunc declared but undefined: the link fails and says so.
    mShader = std::make_unique<OpenglShader>(FullFrameQuad::vertexText(),
                                             kCompositingProgram + shapeFunc());
    mShader->addAttributeBinding("position", 0);
    mShader->addAttributeBinding("input_uv", 1);
}

void FinalRender::prepare(PF_InData* in_data, PF_OutData* /*out_data*/) {
    mSettings = FrameSettings::read(in_data);
    if (mSettings.shapeType() != mShapeType) {
        mShader.reset();
        mShapeType = mSettings.shapeType();
    }
}

void FinalRender::draw(unsigned int texture, float multiplier, Vec2 size) {
    mQuad.bind();
    buildShader();
    mShader->useProgram();
    mQuad.bindAttributes(*mShader);

    const CompositingInputs in = mSettings.inputs(size);
    mShader->setUniformTexture("videoTexture", static_cast<int>(GL_TEXTURE_2D),
                               static_cast<int>(texture), 0);
    mShader->setUniform1f("multiplier16bit", multiplier);
    mShader->setUniform1f("shapeSize1", in.shapeSize1);
    mShader->setUniform1f("shapeSize2", in.shapeSize2);
    mShader->setUniform2f("center", in.center);
    mShader->setUniform1f("drawShadow", in.drawShadow);
    mShader->setUniform1f("shadowSize", in.edgeSize);
    mShader->setUniform1f("shadowAlpha", in.edgeAlpha);
    mShader->setUniform4f("shadowColor", in.edgeColor);
    mShader->setUniform1i("instances", in.instances);
    mShader->setUniform1f("shapeSize1Offset", in.shapeSize1Offset);
    mShader->setUniform1f("shapeSize2Offset", in.shapeSize2Offset);
    mShader->setUniform1f("opacityOffset", in.opacityOffset);
    mShader->setUniform1f("bgAlpha", in.bgAlpha);
    mShader->setUniform1f("alphaFactor", in.alphaFactor);
    mShader->setUniform2f("viewPort", in.viewPort);
    if (in.instances > 0) {
        mShader->setUniformMatrix3f("transforms", in.transforms, in.instances);
    }
    mShader->setUniformMatrix3f("shapeTransform", &in.shapeTransform, 1);

    mQuad.draw(*mShader);
}

}  // namespace Corvane::Tessory
