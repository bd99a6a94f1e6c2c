// The output and input passes on their own, and a whole frame through the main
// framebuffer from host layer to host layer.
#include "GL/AEOpenGLUtilities.h"
#include "GL/AEOpenglMainFrameBuffer.h"
#include "GL/BackgroundRender.h"
#include "GL/ScreenRender.h"
#include "GLTestSupport.h"
#include "Host/Layer.h"
#include "PixelFormat.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using PassTest = GLTest;

// Runs one pass over 1 x n texels into a float target and returns the result.
template <typename Pass>
std::vector<float> runPass(Pass& pass, const std::vector<float>& texels, float multiplier) {
    const int n = static_cast<int>(texels.size() / 4);
    const GLuint source = makeFloatTexture(n, 1, texels.data());
    const GLuint target = makeFloatTexture(n, 1, nullptr);
    const GLuint framebuffer = attachToNewFramebuffer(target);
    glViewport(0, 0, n, 1);
    pass.draw(source, multiplier);
    std::vector<float> out = readFloats(n, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &source);
    glDeleteTextures(1, &target);
    return out;
}

void expectNear(const std::vector<float>& got, const std::vector<float>& want, float tol) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], tol) << "index " << i;
}

TEST_F(PassTest, InputThenOutputPassGivesTheHostTexelBack) {
    const float m = 65535.0f / 32768.0f;
    const std::vector<float> host = {0.4f, 0.3f, 0.2f,  0.1f, 1.0f, 0.0f,
                                     0.5f, 1.0f, 0.01f, 0.9f, 0.6f, 0.3f};
    inRenderContext([&] {
        BackgroundRender in;
        ScreenRender out;
        for (float multiplier : {1.0f, m}) {
            SCOPED_TRACE(multiplier);
            expectNear(runPass(out, runPass(in, host, multiplier), multiplier), host, 1e-5f);
        }
    });
}

TEST_F(PassTest, WholeFrameFromLayerToLayerKeepsPixelsAndOrientation) {
    // Draws the uploaded layer with the input pass into the first target, as the effect's
    // compositing program does with its own, then ends the frame and reads it back.
    constexpr int w = 7, h = 5;
    Host::Layer input(w, h, 8, 8);
    Host::Layer output(w, h, 8, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            input.pixel8(x, y) =
                PF_Pixel{255, static_cast<A_u_char>(30 * x), static_cast<A_u_char>(50 * y), 77};
        }
    }
    input.pixel8(3, 2) = PF_Pixel{0, 200, 100, 50};  // transparent: comes back all zero
    output.fill(PF_Pixel{1, 1, 1, 1});
    inRenderContext([&] {
        AEOpenglMainFrameBuffer* fb = AEOpenglMainFrameBuffer::mainFrameBuffer();
        fb->prepare(w, h, true);
        fb->beginDrawing();
        unsigned long size = 0;
        GLenum type = GL_NONE;
        float multiplier = 0;
        const GLuint texture = AEOpenGLUtilities::UploadTexture(
            PF_PixelFormat_ARGB32, input.def(), output.def(), &in, size, type, multiplier, false);
        BackgroundRender pass;
        pass.draw(texture, multiplier);
        glDeleteTextures(1, &texture);
        fb->endDrawing(multiplier);
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), fb->frameBuffer());
        AEOpenGLUtilities::DownloadTexture(w, h, input.def(), output.def(), &in,
                                           PF_PixelFormat_ARGB32, size, type);
        EXPECT_EQ(fb->stackDepth(), 0u);
    });
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const PF_Pixel want = x == 3 && y == 2 ? PF_Pixel{0, 0, 0, 0} : input.pixel8(x, y);
            const PF_Pixel& got = output.pixel8(x, y);
            EXPECT_EQ(got.alpha, want.alpha) << x << "," << y;
            EXPECT_NEAR(got.red, want.red, 1) << x << "," << y;
            EXPECT_NEAR(got.green, want.green, 1) << x << "," << y;
            EXPECT_NEAR(got.blue, want.blue, 1) << x << "," << y;
        }
    }
    EXPECT_TRUE(output.paddingIntact());
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
