// The input and output passes on their own: together they give the host's texel back.
#include "GL/BackgroundRender.h"
#include "GL/ScreenRender.h"
#include "GLTestSupport.h"

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

}  // namespace
}  // namespace Corvane::Tessory::Testing
