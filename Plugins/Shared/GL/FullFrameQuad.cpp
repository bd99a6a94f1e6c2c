#include "GL/FullFrameQuad.h"

#include <EGL/egl.h>
#include <glbinding/gl/gl.h>

#include "GL/OpenglShader.h"

using namespace gl;

namespace Corvane::Tessory {
namespace {
const float positions[] = {
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
    1.0f,  1.0f,  0.0f, 1.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, -1.0f, 0.0f, 0.0f, 0.0f,  //
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
};
static_assert(sizeof(positions) == 120);
}  // namespace

const char* FullFrameQuad::vertexText() {
    return "#version 330\n"
           "in vec3 position;\n"
           "in vec2 input_uv;\n"
           "out vec2 uv;\n"
           "void main() {\n"
           "    gl_Position = vec4(position, 1.0);\n"
           "    uv = input_uv;\n"
           "}\n";
}

FullFrameQuad::~FullFrameQuad() {
    // Buffers are shared across the share group, so all of them go from here; a vertex
    // array can only be deleted in its own context, the others go with their contexts.
    EGLContext current = eglGetCurrentContext();
    for (auto& [context, objects] : mPerContext) {
        if (context == current && objects.vertexArray) {
            glDeleteVertexArrays(1, &objects.vertexArray);
        }
        if (objects.vertexBuffer) glDeleteBuffers(1, &objects.vertexBuffer);
    }
}

void FullFrameQuad::bind() {
    Objects& objects = mPerContext[eglGetCurrentContext()];
    // A context handle can be reused by a later context that never saw these names; they
    // may name other objects by now, so they are forgotten, not deleted.
    if (objects.vertexArray != 0 && glIsVertexArray(objects.vertexArray) == GL_FALSE) {
        objects = Objects();
    }
    if (objects.vertexArray == 0) {
        glGenVertexArrays(1, &objects.vertexArray);
        glBindVertexArray(objects.vertexArray);
        glGenBuffers(1, &objects.vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, objects.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof(positions), positions, GL_STATIC_DRAW);
    }
    glBindVertexArray(objects.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, objects.vertexBuffer);
}

void FullFrameQuad::bindAttributes(OpenglShader& shader) {
    bind();
    shader.setAttribute3fv(0, nullptr, kStride);
    shader.setAttribute2fv(1, reinterpret_cast<const float*>(kUvOffset), kStride);
}

void FullFrameQuad::draw(OpenglShader& shader) {
    glDrawArrays(GL_TRIANGLES, 0, 6);
    shader.disableVertexAttributeArray(0);
    shader.disableVertexAttributeArray(1);
    unbind();
}

void FullFrameQuad::drawTexture(OpenglShader& shader, unsigned int texture, float multiplier) {
    shader.useProgram();
    bindAttributes(shader);
    shader.setUniformTexture("videoTexture", static_cast<int>(GL_TEXTURE_2D),
                             static_cast<int>(texture), 0);
    shader.setUniform1f("multiplier16bit", multiplier);
    draw(shader);
}

unsigned int FullFrameQuad::vertexArray() const {
    auto it = mPerContext.find(eglGetCurrentContext());
    return it == mPerContext.end() ? 0 : it->second.vertexArray;
}

unsigned int FullFrameQuad::vertexBuffer() const {
    auto it = mPerContext.find(eglGetCurrentContext());
    return it == mPerContext.end() ? 0 : it->second.vertexBuffer;
}

void FullFrameQuad::unbind() {
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace Corvane::Tessory
