#include "GL/AEOpenglMainFrameBuffer.h"

#include <EGL/egl.h>
#include <glbinding/gl/gl.h>

#include <algorithm>
#include <vector>

#include "GL/ScreenRender.h"
#include "Math/Vec2.h"

using namespace gl;

namespace Corvane::Tessory {

AEOpenglMainFrameBuffer* AEOpenglMainFrameBuffer::mainFrameBuffer() {
    static AEOpenglMainFrameBuffer* kSharedMainFrameBuffer = new AEOpenglMainFrameBuffer();
    return kSharedMainFrameBuffer;
}

AEOpenglMainFrameBuffer::AEOpenglMainFrameBuffer()
    : mScreenRender(std::make_unique<ScreenRender>()) {}

size_t AEOpenglMainFrameBuffer::stencilCount() const {
    return static_cast<size_t>(std::count_if(mRenderBufferStack.begin(), mRenderBufferStack.end(),
                                             [](const Target& t) { return bool(t.stencil); }));
}

void AEOpenglMainFrameBuffer::deleteTarget(Target& target) {
    target.colour.reset();
    target.stencil.reset();
}

void AEOpenglMainFrameBuffer::attachTop() {
    const GLuint top = mRenderBufferStack.back().colour.id();
    glBindRenderbuffer(GL_RENDERBUFFER, top);
    glBindFramebuffer(GL_FRAMEBUFFER, workingFrameBuffer());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, top);
}

int AEOpenglMainFrameBuffer::sampleCount() {
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    return std::max(1, std::min(8, static_cast<int>(maxSamples)));
}

AEOpenglMainFrameBuffer::FrameBuffers& AEOpenglMainFrameBuffer::frameBuffers() {
    FrameBuffers& buffers = mFrameBuffers[eglGetCurrentContext()];
    if (buffers.frame == 0) glGenFramebuffers(1, &buffers.frame);
    // A set made while the object was single-sample lacks the multisample pair.
    if (mMultisample && buffers.resolve == 0) glGenFramebuffers(1, &buffers.resolve);
    if (mMultisample && buffers.multisample == 0) glGenFramebuffers(1, &buffers.multisample);
    return buffers;
}

unsigned int AEOpenglMainFrameBuffer::frameBuffer() const {
    auto it = mFrameBuffers.find(eglGetCurrentContext());
    return it == mFrameBuffers.end() ? 0 : it->second.frame;
}
unsigned int AEOpenglMainFrameBuffer::resolveFrameBuffer() const {
    auto it = mFrameBuffers.find(eglGetCurrentContext());
    return it == mFrameBuffers.end() ? 0 : it->second.resolve;
}
unsigned int AEOpenglMainFrameBuffer::multisampleFrameBuffer() const {
    auto it = mFrameBuffers.find(eglGetCurrentContext());
    return it == mFrameBuffers.end() ? 0 : it->second.multisample;
}

unsigned int AEOpenglMainFrameBuffer::workingFrameBuffer() {
    FrameBuffers& buffers = frameBuffers();
    return mMultisample ? buffers.multisample : buffers.frame;
}

void AEOpenglMainFrameBuffer::deleteFrameBuffers(FrameBuffers& buffers) {
    for (unsigned int* name : {&buffers.resolve, &buffers.frame, &buffers.multisample}) {
        if (*name) glDeleteFramebuffers(1, name);
        *name = 0;
    }
}

void AEOpenglMainFrameBuffer::prepare(int64_t width, int64_t height, bool multisample) {
    if (mWidth == width && mHeight == height && mOutputRenderBuffer) {
        frameBuffers();  // a context rendering for the first time makes its own set
        return;
    }
    unprepare();
    // Set up again after a tear-down: the output pass went with it.
    if (!mScreenRender) mScreenRender = std::make_unique<ScreenRender>();
    mWidth = static_cast<uint32_t>(width);
    mHeight = static_cast<uint32_t>(height);
    mMultisample = multisample;
    frameBuffers();
    mOutputRenderBuffer = GLRenderbuffer::generate();
    glBindRenderbuffer(GL_RENDERBUFFER, mOutputRenderBuffer.id());
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA, static_cast<GLsizei>(mWidth),
                          static_cast<GLsizei>(mHeight));
}

void AEOpenglMainFrameBuffer::unprepare() {
    // Framebuffer names of other contexts cannot be deleted from here; they hold no
    // storage and are reused when their context renders again.
    auto it = mFrameBuffers.find(eglGetCurrentContext());
    if (it != mFrameBuffers.end()) {
        deleteFrameBuffers(it->second);
        mFrameBuffers.erase(it);
    }
    mOutputRenderBuffer.reset();
    clearStack();
}

void AEOpenglMainFrameBuffer::destory() {
    unprepare();
    // The remaining sets belong to render contexts about to be destroyed, which takes
    // their framebuffers with them.
    mFrameBuffers.clear();
    mWidth = mHeight = 0;
    mScreenRender.reset();
}

void AEOpenglMainFrameBuffer::beginDrawing() {
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glDisable(GL_BLEND);
    if (mMultisample) glEnable(GL_MULTISAMPLE);
    pushRenderContext(false, false);
    glViewport(0, 0, static_cast<GLsizei>(mWidth), static_cast<GLsizei>(mHeight));
}

void AEOpenglMainFrameBuffer::endDrawing(float multiplier) {
    // Deleted however the pass ends.
    GLTexture texture(popRenderContext());
    if (!texture) return;
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffers().frame);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              mOutputRenderBuffer.id());
    glDisable(GL_BLEND);
    glDisable(GL_MULTISAMPLE);
    glClear(GL_COLOR_BUFFER_BIT);
    if (mScreenRender) mScreenRender->draw(texture.id(), multiplier);
    texture.reset();
}

void AEOpenglMainFrameBuffer::pushRenderContext(bool /*unused*/, bool stencil) {
    const GLsizei w = static_cast<GLsizei>(mWidth);
    const GLsizei h = static_cast<GLsizei>(mHeight);
    const GLsizei samples = mMultisample ? sampleCount() : 0;
    auto storage = [&](GLenum format) {
        if (mMultisample) {
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, w, h);
        } else {
            glRenderbufferStorage(GL_RENDERBUFFER, format, w, h);
        }
    };
    Target target;
    target.colour = GLRenderbuffer::generate();
    glBindRenderbuffer(GL_RENDERBUFFER, target.colour.id());
    storage(GL_RGBA);
    glBindFramebuffer(GL_FRAMEBUFFER, workingFrameBuffer());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              target.colour.id());
    if (stencil) {
        target.stencil = GLRenderbuffer::generate();
        glBindRenderbuffer(GL_RENDERBUFFER, target.stencil.id());
        storage(GL_STENCIL_INDEX8);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  target.stencil.id());
    }
    mRenderBufferStack.push_back(std::move(target));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

unsigned int AEOpenglMainFrameBuffer::popRenderContext() {
    if (mRenderBufferStack.empty()) return 0;
    const unsigned int texture = createRenderTexture(false);
    const GLint w = static_cast<GLint>(mWidth);
    const GLint h = static_cast<GLint>(mHeight);
    if (mMultisample) {
        FrameBuffers& buffers = frameBuffers();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, buffers.multisample);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, buffers.resolve);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture,
                               0);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        glBindTexture(GL_TEXTURE_2D, texture);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, w, h, 0);
    }
    deleteTarget(mRenderBufferStack.back());
    mRenderBufferStack.pop_back();
    if (mRenderBufferStack.empty()) return texture;
    attachTop();
    return texture;
}

void AEOpenglMainFrameBuffer::pushNormalRenderContext(unsigned int texture) {
    GLuint frame = 0;
    glGenFramebuffers(1, &frame);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, frame);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

void AEOpenglMainFrameBuffer::pushNormalRenderContext(unsigned int texture, const Vec2& size,
                                                      int32_t level) {
    GLuint frame = 0;
    glGenFramebuffers(1, &frame);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, frame);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, level);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, static_cast<GLsizei>(size.x), static_cast<GLsizei>(size.y));
}

void AEOpenglMainFrameBuffer::popNormalRenderContext() {
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLuint frame = static_cast<GLuint>(bound);
    glDeleteFramebuffers(1, &frame);
    if (mRenderBufferStack.empty()) return;
    attachTop();
    const GLenum drawBuffers[] = {GL_COLOR_ATTACHMENT0};
    glDrawBuffers(1, drawBuffers);
    glViewport(0, 0, static_cast<GLsizei>(mWidth), static_cast<GLsizei>(mHeight));
}

void AEOpenglMainFrameBuffer::clearStack() {
    // Stencil buffers go with their colour target, so nothing outlives the stack.
    for (Target& target : mRenderBufferStack) deleteTarget(target);
    mRenderBufferStack.clear();
}

unsigned int AEOpenglMainFrameBuffer::makeTexture(int width, int height, bool floatFormat,
                                                  int minFilter, int magFilter, uint64_t bytes) {
    // The zeros come first: an allocation that fails leaves no texture behind.
    std::vector<unsigned char> zeros(bytes, 0);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(GL_CLAMP_TO_EDGE));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(GL_CLAMP_TO_EDGE));
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(floatFormat ? GL_RGBA32F : GL_RGBA), width,
                 height, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

namespace {
int minFilterFor(bool linear, bool mipmap) {
    if (linear) return static_cast<int>(mipmap ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    return static_cast<int>(mipmap ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST);
}
int magFilterFor(bool linear, bool mipmap) {
    return static_cast<int>((mipmap || linear) ? GL_LINEAR : GL_NEAREST);
}
}  // namespace

unsigned int AEOpenglMainFrameBuffer::createRenderTexture(bool mipmap) {
    return makeTexture(static_cast<int>(mWidth), static_cast<int>(mHeight), false,
                       minFilterFor(true, mipmap), static_cast<int>(GL_LINEAR),
                       static_cast<uint32_t>(mWidth * mHeight * 4u));
}

unsigned int AEOpenglMainFrameBuffer::createRenderTexture(const Vec2& size, bool mipmap) {
    return makeTexture(static_cast<int>(size.x), static_cast<int>(size.y), false,
                       minFilterFor(true, mipmap), static_cast<int>(GL_LINEAR),
                       static_cast<uint64_t>(size.x * size.y * 4.0));
}

unsigned int AEOpenglMainFrameBuffer::createFloatRenderTexture(bool linear, bool mipmap) {
    return makeTexture(static_cast<int>(mWidth), static_cast<int>(mHeight), true,
                       minFilterFor(linear, mipmap), magFilterFor(linear, mipmap),
                       static_cast<uint32_t>(mWidth * mHeight * 4u));
}

unsigned int AEOpenglMainFrameBuffer::createFloatRenderTexture(const Vec2& size, bool linear,
                                                               bool mipmap) {
    return makeTexture(static_cast<int>(size.x), static_cast<int>(size.y), true,
                       minFilterFor(linear, mipmap), magFilterFor(linear, mipmap),
                       static_cast<uint64_t>(size.x * size.y * 4.0));
}

}  // namespace Corvane::Tessory
