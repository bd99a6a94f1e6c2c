#include "GL/ScreenRender.h"

namespace Corvane::Tessory {

const char* ScreenRender::fragmentText() {
    return "#version 330\n"
           "in vec2 uv;\n"
           "out vec4 colourOut;\n"
           "uniform sampler2D videoTexture;\n"
           "uniform float multiplier16bit;\n"
           "void main() {\n"
           "    vec4 c = texture(videoTexture, uv);\n"
           "    if (c.a == 0.0) {\n"
           "        c = vec4(0.0);\n"
           "    } else {\n"
           "        c = vec4(c.a, c.r / c.a, c.g / c.a, c.b / c.a);\n"
           "    }\n"
           "    colourOut = c / multiplier16bit;\n"
           "}\n";
}

ScreenRender::ScreenRender() : mShader(FullFrameQuad::vertexText(), fragmentText()) {
    mShader.addAttributeBinding("position", 0);
    mShader.addAttributeBinding("input_uv", 1);
}

void ScreenRender::draw(unsigned int texture, float multiplier) {
    mQuad.drawTexture(mShader, texture, multiplier);
}

}  // namespace Corvane::Tessory
