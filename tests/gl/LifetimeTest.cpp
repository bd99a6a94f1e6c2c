// Global set-up to tear-down: after the main framebuffer's destory and the manager's
// release, neither a context nor a GL object made by the runtime is left.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <thread>

#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GL/AEOpenGLUtilities.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "GL/ScreenRender.h"
#include "GLTestSupport.h"
#include "Host/Layer.h"
#include "PixelFormat.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using LifetimeTest = GLTest;

bool contextAlive(void* context) {
    EGLint value = 0;
    return eglQueryContext(AEOpenGLContext::display(), context, EGL_CONTEXT_CLIENT_TYPE, &value) ==
           EGL_TRUE;
}

struct Recorded {
    std::vector<GLuint> renderbuffers;
    std::vector<GLuint> buffers;
    std::vector<GLuint> programs;
    std::vector<GLuint> textures;
};

// Which of the recorded names still exist, seen from the current context.
std::vector<std::string> alive(const Recorded& r) {
    std::vector<std::string> names;
    for (GLuint n : r.renderbuffers) {
        if (glIsRenderbuffer(n)) names.push_back("renderbuffer " + std::to_string(n));
    }
    for (GLuint n : r.buffers) {
        if (glIsBuffer(n)) names.push_back("buffer " + std::to_string(n));
    }
    for (GLuint n : r.programs) {
        if (glIsProgram(n)) names.push_back("program " + std::to_string(n));
    }
    for (GLuint n : r.textures) {
        if (glIsTexture(n)) names.push_back("texture " + std::to_string(n));
    }
    return names;
}

TEST_F(LifetimeTest, TearDownLeavesNoContextAndNoObject) {
    AEOpenGLContext* shared = AEOpenGLContextManager::getSharedDataContext();
    ASSERT_NE(shared, nullptr);
    // A context of the test's own in the effect's share group outlives the tear-down, so
    // it can look for what is left.
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 2,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    EGLDisplay display = AEOpenGLContext::display();
    EGLConfig config = nullptr;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint found = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &found);
    eglBindAPI(EGL_OPENGL_API);
    EGLContext observer = eglCreateContext(display, found ? config : EGL_NO_CONFIG_KHR,
                                           static_cast<EGLContext>(shared->handle()), attributes);
    ASSERT_NE(observer, EGL_NO_CONTEXT);

    // Frames on three threads, each in its own render context.
    Recorded recorded;
    std::vector<void*> contexts{shared->handle()};
    for (int i = 0; i < 3; ++i) {
        std::thread([&] {
            host.makeHostContextCurrent();
            Host::Layer input(6, 4, 8);
            Host::Layer output(6, 4, 8);
            input.fill(PF_Pixel{255, 10, 20, 30});
            inRenderContext([&] {
                contexts.push_back(AEOpenGLContextManager::getCurrentRenderContext()->handle());
                AEOpenglMainFrameBuffer* fb = AEOpenglMainFrameBuffer::mainFrameBuffer();
                fb->prepare(6, 4 + i % 2, true);
                fb->beginDrawing();
                fb->pushRenderContext(false, true);
                fb->pushRenderContext(false, false);
                recorded.renderbuffers.push_back(fb->outputRenderBuffer());
                unsigned long size = 0;
                GLenum type = GL_NONE;
                float multiplier = 0;
                const GLuint texture = AEOpenGLUtilities::UploadTexture(
                    PF_PixelFormat_ARGB32, input.def(), output.def(), &in, size, type, multiplier,
                    false);
                recorded.textures.push_back(texture);
                glDeleteTextures(1, &texture);
                // Two targets left on the stack for the tear-down to clear.
                const GLuint popped = fb->popRenderContext();
                glDeleteTextures(1, &popped);
                fb->endDrawing(multiplier);
                AEOpenGLUtilities::DownloadTexture(6, 4, input.def(), output.def(), &in,
                                                   PF_PixelFormat_ARGB32, size, type);
                fb->pushRenderContext(false, true);
                fb->pushRenderContext(false, false);
                recorded.programs.push_back(fb->screenRender()->shader().program());
                recorded.buffers.push_back(fb->screenRender()->quad().vertexBuffer());
            });
        }).join();
    }
    ASSERT_EQ(AEOpenGLContextManager::renderContextCount(), 3u);
    EXPECT_EQ(recorded.programs[0], recorded.programs[2]);  // one program for all contexts

    // Seen from the observer before the tear-down: the names are there to be found.
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, observer);
    AEOpenGLContext::useCurrentBinding();
    const size_t before = alive(recorded).size();
    EXPECT_GE(before, 3u + 3u + 1u);  // output renderbuffer (last), buffers, program
    host.makeHostContextCurrent();

    tearDownGL();
    EXPECT_EQ(eglGetCurrentContext(), host.hostContext());
    EXPECT_EQ(AEOpenGLContextManager::getSharedDataContext(), nullptr);
    EXPECT_EQ(AEOpenGLContextManager::renderContextCount(), 0u);
    for (void* context : contexts) EXPECT_FALSE(contextAlive(context)) << context;

    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, observer);
    AEOpenGLContext::useCurrentBinding();
    EXPECT_EQ(alive(recorded), std::vector<std::string>{});
    // Renderbuffers of the targets were never handed out: nothing of that kind at all.
    GLuint probe = 0;
    int liveRenderbuffers = 0;
    for (probe = 1; probe < 64; ++probe) liveRenderbuffers += glIsRenderbuffer(probe) ? 1 : 0;
    EXPECT_EQ(liveRenderbuffers, 0);
    host.makeHostContextCurrent();
    eglDestroyContext(display, observer);

    // Set up again, the runtime works as before.
    SetUp();
    Host::Layer input(2, 2, 8);
    Host::Layer output(2, 2, 8);
    input.fill(PF_Pixel{255, 1, 2, 3});
    inRenderContext([&] {
        AEOpenglMainFrameBuffer* fb = AEOpenglMainFrameBuffer::mainFrameBuffer();
        fb->prepare(2, 2, true);
        fb->beginDrawing();
        fb->endDrawing(1.0f);
        AEOpenGLUtilities::DownloadTexture(2, 2, input.def(), output.def(), &in,
                                           PF_PixelFormat_ARGB32, 4, GL_UNSIGNED_BYTE);
        EXPECT_NE(fb->screenRender(), nullptr);
    });
    EXPECT_EQ(output.pixel8(1, 1).alpha, 0);  // the empty frame came back transparent
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
