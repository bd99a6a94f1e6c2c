// The host-context guard, and the flush when the guard switches contexts.
#include <EGL/egl.h>

#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GLObserver.h"
#include "GLTestSupport.h"
#include "Host/HostGLContext.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using ContextTest = GLTest;

TEST_F(ContextTest, GuardPutsTheHostContextBackOnceAndOnlyOnce) {
    void* hostContext = host.hostContext();
    SaveRestoreGLContextMac guard;
    AEOpenGLContext* render = AEOpenGLContextManager::getCurrentRenderContext();
    render->makeContextCurrent();
    EXPECT_EQ(eglGetCurrentContext(), render->handle());
    EXPECT_NE(render->handle(), hostContext);
    guard.restore();
    EXPECT_EQ(eglGetCurrentContext(), hostContext);
    EXPECT_TRUE(guard.restored());

    // A second restore leaves whatever is current now alone.
    render->makeContextCurrent();
    guard.restore();
    EXPECT_EQ(eglGetCurrentContext(), render->handle());
    host.makeHostContextCurrent();
}

TEST_F(ContextTest, SwitchingAwayFlushesUnlessTheBoundFramebufferIsIncomplete) {
    AEOpenGLContext* render = nullptr;
    inRenderContext([&] { render = AEOpenGLContextManager::getCurrentRenderContext(); });
    AEOpenGLContext* shared = AEOpenGLContextManager::getSharedDataContext();

    SaveRestoreGLContextMac guard;
    render->makeContextCurrent();
    GLObserver::clear();
    shared->makeContextCurrent();
    EXPECT_EQ(GLObserver::count("glFlush"), 1);
    render->makeContextCurrent();
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);  // no attachment: incomplete
    GLObserver::clear();
    shared->makeContextCurrent();
    EXPECT_EQ(GLObserver::count("glCheckFramebufferStatus"), 1);
    EXPECT_EQ(GLObserver::count("glFlush"), 0);
    render->makeContextCurrent();
    glDeleteFramebuffers(1, &framebuffer);
    guard.restore();
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
