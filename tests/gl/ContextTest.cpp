// The host-context guard, and the flush when the guard switches contexts.
#include <EGL/egl.h>

#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
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
    std::vector<std::string> complete;
    std::vector<std::string> incomplete;
    {
        GLCallRecorder recorder;
        shared->makeContextCurrent();
        complete = recorder.calls();
    }
    render->makeContextCurrent();
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);  // no attachment: incomplete
    {
        GLCallRecorder recorder;
        shared->makeContextCurrent();
        incomplete = recorder.calls();
    }
    render->makeContextCurrent();
    glDeleteFramebuffers(1, &framebuffer);
    guard.restore();

    EXPECT_NE(std::find(complete.begin(), complete.end(), "glFlush"), complete.end());
    EXPECT_NE(std::find(incomplete.begin(), incomplete.end(), "glCheckFramebufferStatus"),
              incomplete.end());
    EXPECT_EQ(std::find(incomplete.begin(), incomplete.end(), "glFlush"), incomplete.end());
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
