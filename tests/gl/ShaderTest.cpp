// The program wrapper: lazy build, error reports, bindings and the matrix uploads.
#include <cstring>

#include "GL/OpenglShader.h"
#include "GLObserver.h"
#include "GLTestSupport.h"
#include "Math/Affine.h"
#include "Math/Mat4.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using ShaderTest = GLTest;

const char* kVertex =
    "#version 330\nin vec3 position;\nin vec2 input_uv;\nout vec2 uv;\n"
    "void main() { gl_Position = vec4(position, 1.0); uv = input_uv; }\n";

// Every uniform feeds the output, so none is optimised away.
const char* kFragment =
    "#version 330\nin vec2 uv;\nout vec4 colourOut;\n"
    "uniform float value;\nuniform vec2 pair;\nuniform vec3 triple;\nuniform vec4 quad;\n"
    "uniform ivec3 ints;\nuniform mat3 transforms[3];\nuniform mat4 matrix;\n"
    "uniform float list[4];\nuniform sampler2D image;\n"
    "void main() {\n"
    "  colourOut = vec4(value + pair.x + triple.y + float(ints.z) + list[3]) + quad\n"
    "    + vec4(transforms[2] * vec3(uv, 1.0), 0.0) + matrix * vec4(uv, 0.0, 1.0)\n"
    "    + texture(image, uv);\n"
    "}\n";

std::vector<float> uniformFloats(GLuint program, const char* name, int n) {
    std::vector<float> values(static_cast<size_t>(n), -99.0f);
    glGetUniformfv(program, glGetUniformLocation(program, name), values.data());
    return values;
}

// A compile error reports the stage's log once per use under one header, a link error under
// the program's; the broken program is never current, and its setters never reach GL.
TEST_F(ShaderTest, ErrorsAreReportedOnEveryUseAndSettersStayInert) {
    const struct {
        const char* fragment;
        const char* header;
    } cases[] = {
        {"#version 330\nout vec4 colourOut;\nvoid main() { colourOut = ; }\n",
         "Shader frag error:\n"},
        // Compiles, but has no main.
        {"#version 330\nout vec4 colourOut;\nvoid helper() { colourOut = vec4(1.0); }\n",
         "Program error:\n"},
    };
    inRenderContext([&] {
        OpenglShader good(kVertex, kFragment);
        good.useProgram();
        good.setUniform1f("value", 0.25f);
        for (const auto& c : cases) {
            OpenglShader bad(kVertex, c.fragment);
            for (int i = 0; i < 2; ++i) {
                testing::internal::CaptureStdout();
                bad.useProgram();
                const std::string out = testing::internal::GetCapturedStdout();
                EXPECT_EQ(out.rfind(c.header, 0), 0u) << out;
                // Every report's header ends "error:" on a line of its own.
                size_t blocks = 0;
                for (size_t at = out.find("error:\n"); at != std::string::npos;
                     at = out.find("error:\n", at + 1))
                    ++blocks;
                EXPECT_EQ(blocks, 1u) << out;
                EXPECT_LE(out.size(), std::strlen(c.header) + 513);
            }
            EXPECT_EQ(bad.program(), 0u);
            GLint current = -1;
            glGetIntegerv(GL_CURRENT_PROGRAM, &current);
            EXPECT_EQ(current, 0);

            glUseProgram(good.program());
            GLObserver::clear();
            bad.setUniform1f("value", 9.0f);
            bad.setUniformMatrix4f("matrix", Mat4(), 1);
            bad.setUniformTexture("image", static_cast<int>(GL_TEXTURE_2D), 0, 2);
            bad.setAttribute3fv("position", nullptr, 20);
            bad.disableVertexAttributeArray(0);
            EXPECT_EQ(bad.getUniformLocation("value"), -1);
            EXPECT_EQ(GLObserver::calls(), 0);
            EXPECT_EQ(uniformFloats(good.program(), "value", 1), std::vector<float>{0.25f});
        }
    });
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
