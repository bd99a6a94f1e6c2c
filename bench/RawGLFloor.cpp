#include "RawGLFloor.h"

#include <glbinding/gl/gl.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

#include "BenchSupport.h"
#include "GL/AEOpenGLContext.h"
#include "TessoryRender.h"

namespace Corvane::Tessory::Bench {
namespace {

using namespace gl;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// One context for every floor of the run, made on first use.
AEOpenGLContext& floorContext() {
    static AEOpenGLContext* context = new AEOpenGLContext(nullptr);
    return *context;
}

GLuint compile(GLenum stage, const std::string& text) {
    const GLuint shader = glCreateShader(stage);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) throw std::runtime_error("floor: a shader did not compile");
    return shader;
}

GLuint link(const std::string& vertex, const std::string& fragment) {
    const GLuint program = glCreateProgram();
    const GLuint vs = compile(GL_VERTEX_SHADER, vertex);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment);
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, 0, "position");
    glBindAttribLocation(program, 1, "input_uv");
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) throw std::runtime_error("floor: a program did not link");
    return program;
}

// The output pass's program: un-premultiply and back to alpha, red, green, blue.
const char* const kOutputProgram = R"(#version 330
in vec2 uv;
out vec4 colourOut;
uniform sampler2D videoTexture;
void main() {
    vec4 c = texture(videoTexture, uv);
    colourOut = c.a == 0.0 ? vec4(0.0) : vec4(c.a, c.rgb / c.a);
}
)";

const float kQuad[30] = {
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
    1.0f,  1.0f,  0.0f, 1.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,  //
    -1.0f, -1.0f, 0.0f, 0.0f, 0.0f,  //
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,  //
};

GLuint multisampleTarget(int samples, int width, int height) {
    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    return renderbuffer;
}

GLuint resolveTexture(int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

}  // namespace

RawGLFloor::RawGLFloor(int width, int height, int instances, bool fresh)
    : mWidth(width),
      mHeight(height),
      mFresh(fresh),
      mInput(width, height),
      mOutput(width, height),
      mRead(static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    floorContext().makeContextCurrent();
    fillGradient(mInput);
    mSamples = targetSamples();

    // The default shape (circle) with the compositing program the effect generates.
    mComposite = link(FullFrameQuad::vertexText(),
                      FinalRender::compositingProgram() + FinalRender::shapeBody(1));
    mPresent = link(FullFrameQuad::vertexText(), kOutputProgram);

    glGenVertexArrays(1, &mVertexArray);
    glBindVertexArray(mVertexArray);
    glGenBuffers(1, &mVertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kQuad), kQuad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, reinterpret_cast<void*>(12));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);

    glGenFramebuffers(3, mFramebuffers);
    glGenRenderbuffers(1, &mOutputColour);
    glBindRenderbuffer(GL_RENDERBUFFER, mOutputColour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[2]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, mOutputColour);
    if (!fresh) {
        mMultisample = multisampleTarget(mSamples, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  mMultisample);
        mResolved = resolveTexture(width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[1]);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mResolved, 0);
        glGenTextures(1, &mTexture);
    }

    // Uniforms of the effect's defaults: circle 300 px, shadow 100 px at 40 %, the centre
    // of the frame, scale offsets of 10 % per instance, fill outside.
    glUseProgram(mComposite);
    auto loc = [&](const char* name) { return glGetUniformLocation(mComposite, name); };
    const float cx = static_cast<float>(width) / 2, cy = static_cast<float>(height) / 2;
    glUniform1i(loc("videoTexture"), 0);
    glUniform1f(loc("multiplier16bit"), 1.0f);
    glUniform1f(loc("shapeSize1"), 300.0f);
    glUniform1f(loc("shapeSize2"), 50.0f);
    glUniform2f(loc("center"), cx, cy);
    glUniform1f(loc("drawShadow"), 1.0f);
    glUniform1f(loc("shadowSize"), 100.0f);
    glUniform1f(loc("shadowAlpha"), 0.4f);
    glUniform4f(loc("shadowColor"), 0.0f, 0.0f, 0.0f, 1.0f);
    glUniform1i(loc("instances"), instances);
    glUniform1f(loc("shapeSize1Offset"), 0.0f);
    glUniform1f(loc("shapeSize2Offset"), 0.0f);
    glUniform1f(loc("opacityOffset"), 0.0f);
    glUniform1f(loc("bgAlpha"), 1.0f);
    glUniform1f(loc("alphaFactor"), -1.0f);
    glUniform2f(loc("viewPort"), static_cast<float>(width), static_cast<float>(height));
    std::vector<float> transforms(static_cast<size_t>(instances) * 9, 0.0f);
    for (int i = 0; i < instances; ++i) {
        const float s = 1.0f / (1.0f + 0.1f * static_cast<float>(i));  // inverse scale about centre
        float* m = &transforms[static_cast<size_t>(i) * 9];
        m[0] = s;
        m[4] = s;
        m[6] = cx - s * cx;
        m[7] = cy - s * cy;
        m[8] = 1.0f;
    }
    glUniformMatrix3fv(loc("transforms"), instances, GL_FALSE, transforms.data());
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    glUniformMatrix3fv(loc("shapeTransform"), 1, GL_FALSE, identity);
    glUseProgram(mPresent);
    glUniform1i(glGetUniformLocation(mPresent, "videoTexture"), 0);
    glViewport(0, 0, width, height);
    glDisable(GL_BLEND);
}

RawGLFloor::~RawGLFloor() {
    floorContext().makeContextCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteTextures(1, &mTexture);
    glDeleteTextures(1, &mResolved);
    glDeleteRenderbuffers(1, &mMultisample);
    glDeleteRenderbuffers(1, &mOutputColour);
    glDeleteFramebuffers(3, mFramebuffers);
    glDeleteBuffers(1, &mVertexBuffer);
    glDeleteVertexArrays(1, &mVertexArray);
    glDeleteProgram(mComposite);
    glDeleteProgram(mPresent);
}

void RawGLFloor::frame(Steps* steps) {
    floorContext().makeContextCurrent();
    // Clock readings between steps, each after the GL has finished the step's work.
    auto mark = [&](double* into, Clock::time_point& since) {
        if (!steps) return;
        glFinish();
        const auto now = Clock::now();
        *into += seconds(since, now);
        since = now;
    };
    if (steps) glFinish();
    auto since = Clock::now();
    if (mFresh) {
        glGenTextures(1, &mTexture);
        mMultisample = multisampleTarget(mSamples, mWidth, mHeight);
        glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  mMultisample);
    }
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, mWidth, mHeight, 0, GL_RGBA, GL_FLOAT, nullptr);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, mInput.rowbytes() / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, mWidth, mHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                    mInput.row(0));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    mark(steps ? &steps->upload : nullptr, since);

    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[0]);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(mComposite);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    mark(steps ? &steps->draw : nullptr, since);

    if (mFresh) {
        glDeleteTextures(1, &mTexture);
        mTexture = 0;
        mResolved = resolveTexture(mWidth, mHeight);
        glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[1]);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mResolved, 0);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mFramebuffers[0]);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mFramebuffers[1]);
    glBlitFramebuffer(0, 0, mWidth, mHeight, 0, 0, mWidth, mHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    if (mFresh) {
        glDeleteRenderbuffers(1, &mMultisample);
        mMultisample = 0;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffers[2]);
    glUseProgram(mPresent);
    glBindTexture(GL_TEXTURE_2D, mResolved);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    if (mFresh) {
        glDeleteTextures(1, &mResolved);
        mResolved = 0;
    }
    mark(steps ? &steps->endDrawing : nullptr, since);

    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, mWidth, mHeight, GL_RGBA, GL_UNSIGNED_BYTE, mRead.data());
    for (int y = 0; y < mHeight; ++y) {
        std::memcpy(mOutput.row(y), mRead.data() + static_cast<size_t>(y) * mWidth * 4,
                    static_cast<size_t>(mWidth) * 4);
    }
    if (steps) steps->readback += seconds(since, Clock::now());
}

}  // namespace Corvane::Tessory::Bench
