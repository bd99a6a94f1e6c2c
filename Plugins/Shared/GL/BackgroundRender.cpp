#include "GL/BackgroundRender.h"

namespace Corvane::Tessory {
const char* BackgroundRender::fragmentText() {
    return "#version 330\n"
           "in vec2 uv;\n"
           "out vec4 colourOut;\n"
           "uniform sampler2D videoTexture;\n"
           "uniform float multiplier16bit;\n"
           "void main() {\n"
           "    vec4 c = texture(videoTexture, uv) * multiplier16bit;\n"
           "    c = vec4(c.g, c.b, c.a, c.r);\n"
           "    colourOut = vec4(c.a * c.r, c.a * c.g, c.a * c.b, c.a);\n"
           "}\n";
}

BackgroundRender::BackgroundRender() : mShader(FullFrameQuad::vertexText(), fragmentText()) {
    mShader.addAttributeBinding("position", 0);
    mShader.addAttributeBinding("input_uv", 1);
}

void BackgroundRender::draw(unsigned int texture, float multiplier) {
    mQuad.drawTexture(mShader, texture, multiplier);
}

}  // namespace Corvane::Tessory
