// The main framebuffer: preparing for a size, the render-target stack, the multisample
// resolve and the texture-making family.
#include "GL/AEOpenglMainFrameBuffer.h"
#include "GL/OpenglShader.h"
#include "GLTestSupport.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

class FrameBufferTest : public GLTest {
  protected:
    AEOpenglMainFrameBuffer* fb = AEOpenglMainFrameBuffer::mainFrameBuffer();
};

GLuint attachedRenderbuffer() {
    GLint name = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
    return static_cast<GLuint>(name);
}

void clearTo(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Every texel of an 8-bit texture read as floats, compared with one colour.
void expectUniform(GLuint texture, int w, int h, std::vector<float> colour) {
    const std::vector<float> texels = readTexture(texture, w, h);
    for (int i = 0; i < w * h; ++i) {
        for (int c = 0; c < 4; ++c) {
            ASSERT_NEAR(texels[static_cast<size_t>(i) * 4 + c], colour[c], 1.0 / 255) << i;
        }
    }
}

TEST_F(FrameBufferTest, PushPushPopPopReturnsEachTargetsPixels) {
    for (bool multisample : {true, false}) {
        SCOPED_TRACE(multisample ? "multisample" : "single-sample");
        inRenderContext([&] {
            fb->prepare(multisample ? 8 : 9, 4, multisample);  // a new size, so the flag counts
            fb->beginDrawing();
            const GLuint first = attachedRenderbuffer();
            clearTo(1, 0, 0, 1);
            fb->pushRenderContext(false, true);
            EXPECT_NE(attachedRenderbuffer(), first);
            clearTo(0, 1, 0, 0.5f);

            const GLuint second = fb->popRenderContext();
            EXPECT_EQ(fb->stackDepth(), 1u);
            EXPECT_EQ(fb->stencilCount(), 0u);
            // The first target is attached to the working framebuffer again.
            GLint working = 0;
            glGetIntegerv(GL_FRAMEBUFFER_BINDING, &working);
            EXPECT_EQ(static_cast<GLuint>(working),
                      multisample ? fb->multisampleFrameBuffer() : fb->frameBuffer());
            EXPECT_EQ(attachedRenderbuffer(), first);

            const GLuint firstTexture = fb->popRenderContext();
            EXPECT_EQ(fb->stackDepth(), 0u);
            EXPECT_FALSE(glIsRenderbuffer(first));
            expectUniform(second, fb->width(), 4, {0, 1, 0, 0.5f});
            expectUniform(firstTexture, fb->width(), 4, {1, 0, 0, 1});
            EXPECT_EQ(fb->popRenderContext(), 0u);
            glDeleteTextures(1, &second);
            glDeleteTextures(1, &firstTexture);
        });
    }
}

TEST_F(FrameBufferTest, MultisampleTargetResolvesPartialCoverage) {
    const char* vertex =
        "#version 330\nin vec3 position; void main() { gl_Position = vec4(position, 1.0); }\n";
    const char* fragment =
        "#version 330\nout vec4 colourOut; void main() { colourOut = vec4(1.0); }\n";
    // A triangle over the lower-left half: pixels on the diagonal are partly covered.
    const float triangle[] = {-1, -1, 0, 1, -1, 0, -1, 1, 0};
    for (bool multisample : {true, false}) {
        SCOPED_TRACE(multisample ? "multisample" : "single-sample");
        inRenderContext([&] {
            fb->prepare(9, multisample ? 9 : 10, multisample);
            fb->beginDrawing();
            GLint samples = 0;
            glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &samples);
            if (multisample) {
                EXPECT_GE(samples, AEOpenglMainFrameBuffer::sampleCount());
                EXPECT_GT(AEOpenglMainFrameBuffer::sampleCount(), 1);
                EXPECT_LE(AEOpenglMainFrameBuffer::sampleCount(), 8);
            } else {
                EXPECT_EQ(samples, 0);
            }
            OpenglShader shader(vertex, fragment);
            shader.addAttributeBinding("position", 0);
            shader.useProgram();
            GLuint array = 0, buffer = 0;
            glGenVertexArrays(1, &array);
            glBindVertexArray(array);
            glGenBuffers(1, &buffer);
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            glBufferData(GL_ARRAY_BUFFER, sizeof(triangle), triangle, GL_STATIC_DRAW);
            shader.setAttribute3fv(0, nullptr, 12);
            glDrawArrays(GL_TRIANGLES, 0, 3);
            glBindVertexArray(0);
            glDeleteVertexArrays(1, &array);
            glDeleteBuffers(1, &buffer);

            const GLuint texture = fb->popRenderContext();
            const std::vector<float> texels = readTexture(texture, 9, fb->height());
            int partial = 0;
            for (size_t i = 0; i < texels.size(); i += 4) {
                if (texels[i + 3] > 0.1f && texels[i + 3] < 0.9f) ++partial;
            }
            EXPECT_EQ(texels[3], 1.0f);                  // bottom-left corner covered
            EXPECT_EQ(texels[texels.size() - 1], 0.0f);  // top-right corner empty
            if (multisample) {
                EXPECT_GT(partial, 0);
            } else {
                EXPECT_EQ(partial, 0);
            }
            glDeleteTextures(1, &texture);
        });
    }
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
