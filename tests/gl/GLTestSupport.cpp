#include "GLTestSupport.h"

#include <EGL/egl.h>

#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "GLObserver.h"
#include "Host/HostGLContext.h"

using namespace gl;

namespace Corvane::Tessory::Testing {

void GLTest::SetUp() {
    GLObserver::install();
    if (!host.makeHostContextCurrent()) {
        GTEST_SKIP() << "no EGL context: " << Host::HostGLContext::error();
    }
    in.pica_basicP = host.basicSuite();
    in.utils = host.utilCallbacks();
    SaveRestoreGLContextMac guard;
    AEOpenGLContextManager::setupContextManager();
    guard.restore();
}

void GLTest::TearDown() {
    // As global tear-down does: the main framebuffer's objects, then every context.
    SaveRestoreGLContextMac guard;
    AEOpenGLContext* context = AEOpenGLContextManager::getSharedDataContext();
    if (!context) context = AEOpenGLContextManager::getCurrentRenderContext();
    context->makeContextCurrent();
    AEOpenglMainFrameBuffer::mainFrameBuffer()->destory();
    AEOpenGLContextManager::releaseContextManager();
    guard.restore();
    EXPECT_EQ(eglGetCurrentContext(), host.hostContext());
}

void GLTest::inRenderContext(const std::function<void()>& body) {
    SaveRestoreGLContextMac guard;
    AEOpenGLContextManager::getCurrentRenderContext()->makeContextCurrent();
    body();
    guard.restore();
}

GLuint makeFloatTexture(int w, int h, const float* rgba) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(GL_NEAREST));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GL_NEAREST));
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(GL_RGBA32F), w, h, 0, GL_RGBA, GL_FLOAT,
                 rgba);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

std::vector<float> readTexture(GLuint texture, int w, int h) {
    std::vector<float> values(static_cast<size_t>(w) * h * 4, -1.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, values.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return values;
}

std::vector<float> readFloats(int w, int h) {
    std::vector<float> values(static_cast<size_t>(w) * h * 4, -1.0f);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, values.data());
    return values;
}

GLuint attachToNewFramebuffer(GLuint texture) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    return framebuffer;
}

}  // namespace Corvane::Tessory::Testing
