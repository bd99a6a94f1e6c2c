// Contexts, the host-context guard and the per-thread registry.
#include <EGL/egl.h>

#include <atomic>
#include <regex>
#include <set>
#include <thread>

#include "GL/AEOpenGLContext.h"
#include "GL/AEOpenGLContextManager.h"
#include "GLTestSupport.h"
#include "Host/HostGLContext.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using ContextTest = GLTest;

const std::regex kInfoBlock(
    "\nOpenGL Version:  [0-9]+\\.[0-9]+\n"
    "OpenGL Vendor:   [^\n]+\n"
    "OpenGL Renderer: [^\n]+\n"
    "OpenGL Revision: [0-9]+ \\(gl\\.xml\\)\n"
    "\n");

int countBlocks(const std::string& text) {
    return static_cast<int>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), kInfoBlock), {}));
}

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

TEST_F(ContextTest, ConcurrentFirstCallsGetDistinctNumbersAndUnmixedBlocks) {
    constexpr int kThreads = 4;
    std::atomic<int> ready{0};
    std::vector<int> numbers(kThreads, -1);
    std::vector<void*> handles(kThreads, nullptr);
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            host.makeHostContextCurrent();
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            inRenderContext(
                [&] { handles[i] = AEOpenGLContextManager::getCurrentRenderContext()->handle(); });
            numbers[i] = AEOpenGLContextManager::currentThreadNumber();
        });
    }
    for (auto& t : threads) t.join();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(countBlocks(out), kThreads) << out;
    EXPECT_EQ(std::set<int>(numbers.begin(), numbers.end()).size(), size_t{kThreads});
    EXPECT_EQ(std::set<void*>(handles.begin(), handles.end()).size(), size_t{kThreads});
    EXPECT_EQ(std::count(handles.begin(), handles.end(), nullptr), 0);
}

TEST_F(ContextTest, ObjectsAreSharedAcrossTheShareGroup) {
    const float texel[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    GLuint texture = 0;
    std::thread([&] {
        host.makeHostContextCurrent();
        inRenderContext([&] { texture = makeFloatTexture(1, 1, texel); });
    }).join();
    ASSERT_NE(texture, 0u);
    std::vector<float> seen;
    std::thread([&] {
        host.makeHostContextCurrent();
        inRenderContext([&] {
            EXPECT_TRUE(glIsTexture(texture));
            seen = readTexture(texture, 1, 1);
        });
    }).join();
    EXPECT_EQ(seen, std::vector<float>(texel, texel + 4));

    // The shared data context sees it too, the host's context (another group) does not.
    SaveRestoreGLContextMac guard;
    AEOpenGLContextManager::getSharedDataContext()->makeContextCurrent();
    EXPECT_TRUE(glIsTexture(texture));
    glDeleteTextures(1, &texture);
    guard.restore();
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
