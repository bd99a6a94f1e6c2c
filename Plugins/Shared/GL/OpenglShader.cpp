#include "GL/OpenglShader.h"

#include <glbinding/gl/gl.h>

#include <cstdio>
#include <vector>

#include "Math/Affine.h"
#include "Math/Color.h"
#include "Math/Mat4.h"
#include "Math/Vec2.h"
#include "Math/Vec3.h"
#include "Math/Vec4.h"

using namespace gl;

namespace Corvane::Tessory {
namespace {

constexpr GLsizei kLogLength = 512;

// Compiles one stage; prints its log and answers false when it does not compile.
bool compileStage(GLuint shader, const std::string& source, const char* stage) {
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != static_cast<GLint>(GL_TRUE)) {
        dumpShaderErrorS(shader, stage);
        return false;
    }
    return true;
}

}  // namespace

void dumpShaderErrorS(unsigned int shader, const char* stage) {
    GLsizei length = 0;
    char buffer[kLogLength + 1];
    glGetShaderInfoLog(shader, kLogLength, &length, buffer);
    if (length > kLogLength) length = kLogLength;
    buffer[length] = '\0';
    std::printf("Shader %s error:\n%s\n", stage, buffer);
    std::fflush(stdout);
}

OpenglShader::OpenglShader(const std::string& vertex, const std::string& fragment)
    : mVertexSource(vertex), mFragmentSource(fragment) {}

OpenglShader::OpenglShader(const std::string& vertex, const std::string& fragment,
                           const std::string& geometry)
    : mVertexSource(vertex), mFragmentSource(fragment), mGeometrySource(geometry) {}

OpenglShader::~OpenglShader() {
    if (mProgram != 0) glDeleteProgram(mProgram);
}

void OpenglShader::addAttributeBinding(const std::string& name, int location) {
    mAttributeBindings.insert({name, location});
}

void OpenglShader::buildShader() {
    const bool geometry = !mGeometrySource.empty();
    const GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    const GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    const GLuint geometryShader = geometry ? glCreateShader(GL_GEOMETRY_SHADER) : 0;
    // A failed build deletes what it made: nothing of it is ever used again.
    auto discard = [&](GLuint program) {
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        if (geometry) glDeleteShader(geometryShader);
        if (program) glDeleteProgram(program);
    };
    if (!compileStage(vertexShader, mVertexSource, "vert") ||
        !compileStage(fragmentShader, mFragmentSource, "frag") ||
        (geometry && !compileStage(geometryShader, mGeometrySource, "geo"))) {
        discard(0);
        return;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    if (geometry) glAttachShader(program, geometryShader);
    for (const auto& [name, location] : mAttributeBindings) {
        glBindAttribLocation(program, static_cast<GLuint>(location), name.c_str());
    }
    glLinkProgram(program);
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != static_cast<GLint>(GL_TRUE)) {
        GLsizei length = 0;
        char buffer[kLogLength + 1];
        glGetProgramInfoLog(program, kLogLength, &length, buffer);
        if (length > kLogLength) length = kLogLength;
        buffer[length] = '\0';
        std::printf("Program error:\n%s\n", buffer);
        std::fflush(stdout);
        discard(program);
        return;
    }
    mProgram = program;
    glDetachShader(program, vertexShader);
    glDetachShader(program, fragmentShader);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    if (geometry) {
        glDetachShader(program, geometryShader);
        glDeleteShader(geometryShader);
    }
}

void OpenglShader::useProgram() {
    if (mProgram == 0) buildShader();
    glUseProgram(mProgram);
}

int OpenglShader::location(const std::string& name) const {
    if (mProgram == 0) return -1;
    return glGetUniformLocation(mProgram, name.c_str());
}

int OpenglShader::getUniformLocation(const std::string& name) const {
    return location(name);
}

// Each named setter: skip without a program or without the name in it.
#define TESSORY_UNIFORM(call)         \
    const GLint loc = location(name); \
    if (loc == -1) return;            \
    call

void OpenglShader::setUniform1i(const std::string& name, int v) const {
    TESSORY_UNIFORM(glUniform1i(loc, v));
}
void OpenglShader::setUniform2i(const std::string& name, int v0, int v1) const {
    TESSORY_UNIFORM(glUniform2i(loc, v0, v1));
}
void OpenglShader::setUniform3i(const std::string& name, int v0, int v1, int v2) const {
    TESSORY_UNIFORM(glUniform3i(loc, v0, v1, v2));
}
void OpenglShader::setUniform4i(const std::string& name, int v0, int v1, int v2, int v3) const {
    TESSORY_UNIFORM(glUniform4i(loc, v0, v1, v2, v3));
}
void OpenglShader::setUniform1f(const std::string& name, float v) const {
    TESSORY_UNIFORM(glUniform1f(loc, v));
}
void OpenglShader::setUniform2f(const std::string& name, float v0, float v1) const {
    TESSORY_UNIFORM(glUniform2f(loc, v0, v1));
}
void OpenglShader::setUniform3f(const std::string& name, float v0, float v1, float v2) const {
    TESSORY_UNIFORM(glUniform3f(loc, v0, v1, v2));
}
void OpenglShader::setUniform4f(const std::string& name, float v0, float v1, float v2,
                                float v3) const {
    TESSORY_UNIFORM(glUniform4f(loc, v0, v1, v2, v3));
}
void OpenglShader::setUniform2f(const std::string& name, const Vec2& v) const {
    setUniform2f(name, static_cast<float>(v.x), static_cast<float>(v.y));
}
void OpenglShader::setUniform3f(const std::string& name, const Vec3& v) const {
    setUniform3f(name, static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z));
}
void OpenglShader::setUniform4f(const std::string& name, const Vec4& v) const {
    setUniform4f(name, static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z),
                 static_cast<float>(v.w));
}
void OpenglShader::setUniform4f(const std::string& name, const Color& c) const {
    setUniform4f(name, static_cast<float>(c.r()), static_cast<float>(c.g()),
                 static_cast<float>(c.b()), static_cast<float>(c.a()));
}
void OpenglShader::setUniform1iv(const std::string& name, const int* data, int count) const {
    TESSORY_UNIFORM(glUniform1iv(loc, count, data));
}
void OpenglShader::setUniform2iv(const std::string& name, const int* data, int count) const {
    TESSORY_UNIFORM(glUniform2iv(loc, count, data));
}
void OpenglShader::setUniform3iv(const std::string& name, const int* data, int count) const {
    TESSORY_UNIFORM(glUniform3iv(loc, count, data));
}
void OpenglShader::setUniform4iv(const std::string& name, const int* data, int count) const {
    TESSORY_UNIFORM(glUniform4iv(loc, count, data));
}
void OpenglShader::setUniform1fv(const std::string& name, const float* data, int count) const {
    TESSORY_UNIFORM(glUniform1fv(loc, count, data));
}
void OpenglShader::setUniform2fv(const std::string& name, const float* data, int count) const {
    TESSORY_UNIFORM(glUniform2fv(loc, count, data));
}
void OpenglShader::setUniform3fv(const std::string& name, const float* data, int count) const {
    TESSORY_UNIFORM(glUniform3fv(loc, count, data));
}
void OpenglShader::setUniform4fv(const std::string& name, const float* data, int count) const {
    TESSORY_UNIFORM(glUniform4fv(loc, count, data));
}

void OpenglShader::setUniformMatrix3f(const std::string& name, const Affine* transforms,
                                      int count) const {
    const GLint loc = location(name);
    if (loc == -1 || count <= 0) return;
    std::vector<float> values;
    values.reserve(static_cast<size_t>(count) * 9);
    for (int i = 0; i < count; ++i) {
        const Affine& t = transforms[i];
        for (double v : {t.m00, t.m10, 0.0, t.m01, t.m11, 0.0, t.m02, t.m12, 1.0}) {
            values.push_back(static_cast<float>(v));
        }
    }
    glUniformMatrix3fv(loc, count, GL_FALSE, values.data());
}

void OpenglShader::setUniformMatrix4f(const std::string& name, const Mat4& m, int count) const {
    const GLint loc = location(name);
    if (loc == -1) return;
    float values[16];
    for (int i = 0; i < 16; ++i) values[i] = static_cast<float>(m.m[i]);
    (void)count;  // one matrix is converted, so only one can be uploaded
    glUniformMatrix4fv(loc, 1, GL_FALSE, values);
}

void OpenglShader::setUniformTexture(const std::string& name, int target, int texture,
                                     int unit) const {
    if (mProgram == 0) return;
    glActiveTexture(static_cast<GLenum>(static_cast<int>(GL_TEXTURE0) + unit));
    glBindTexture(static_cast<GLenum>(target), static_cast<GLuint>(texture));
    setUniform1i(name, unit);
}

int OpenglShader::getAttributeLocation(const std::string& name) const {
    return glGetAttribLocation(mProgram, name.c_str());
}

void OpenglShader::attribute(int location, int size, const void* data, int stride) const {
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), size, GL_FLOAT, GL_FALSE, stride, data);
}

#define TESSORY_NAMED_ATTRIBUTE(size)                              \
    if (mProgram == 0) return;                                     \
    const GLint loc = glGetAttribLocation(mProgram, name.c_str()); \
    if (loc == -1) return;                                         \
    attribute(loc, size, data, stride)

void OpenglShader::setAttribute1fv(const std::string& name, const float* data, int stride) const {
    TESSORY_NAMED_ATTRIBUTE(1);
}
void OpenglShader::setAttribute2fv(const std::string& name, const float* data, int stride) const {
    TESSORY_NAMED_ATTRIBUTE(2);
}
void OpenglShader::setAttribute3fv(const std::string& name, const float* data, int stride) const {
    TESSORY_NAMED_ATTRIBUTE(3);
}
void OpenglShader::setAttribute4fv(const std::string& name, const float* data, int stride) const {
    TESSORY_NAMED_ATTRIBUTE(4);
}

void OpenglShader::setAttribute1fv(int location, const float* data, int stride) const {
    if (location == -1 || mProgram == 0) return;
    attribute(location, 1, data, stride);
}
void OpenglShader::setAttribute2fv(int location, const float* data, int stride) const {
    if (mProgram == 0) return;
    attribute(location, 2, data, stride);
}
void OpenglShader::setAttribute3fv(int location, const float* data, int stride) const {
    if (mProgram == 0) return;
    attribute(location, 3, data, stride);
}
void OpenglShader::setAttribute4fv(int location, const float* data, int stride) const {
    if (location == -1 || mProgram == 0) return;
    attribute(location, 4, data, stride);
}
void OpenglShader::setAttribute1iv(int location, const int* data, int stride) const {
    if (location == -1 || mProgram == 0) return;
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), 1, GL_INT, GL_FALSE, stride, data);
}

void OpenglShader::disableVertexAttributeArray(const std::string& name) const {
    if (mProgram == 0) return;
    const GLint loc = glGetAttribLocation(mProgram, name.c_str());
    if (loc == -1) return;
    glDisableVertexAttribArray(static_cast<GLuint>(loc));
}
void OpenglShader::disableVertexAttributeArray(int location) const {
    if (mProgram == 0) return;
    glDisableVertexAttribArray(static_cast<GLuint>(location));
}

}  // namespace Corvane::Tessory
