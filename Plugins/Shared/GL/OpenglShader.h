// One GLSL program: stage texts kept, compiled and linked on first use, typed setters.
#pragma once

#include <map>
#include <string>

namespace Corvane::Tessory {

class Affine;
class Color;
class Mat4;
class Vec2;
class Vec3;
class Vec4;

/// Prints a shader's info log as "Shader <stage> error:" (at most 512 bytes of log).
void dumpShaderErrorS(unsigned int shader, const char* stage);

/// Owns one program object of the context it was built in. Setters look the location up
/// on every call (no cache) and do nothing while the program is not built or when the
/// name is not in the program. Needs a current context for every call but construction.
class OpenglShader {
  public:
    OpenglShader(const std::string& vertex, const std::string& fragment);
    OpenglShader(const std::string& vertex, const std::string& fragment,
                 const std::string& geometry);
    /// Deletes the program if one was built.
    virtual ~OpenglShader();

    OpenglShader(const OpenglShader&) = delete;
    OpenglShader& operator=(const OpenglShader&) = delete;

    /// Location to bind before linking; the first location recorded for a name stays.
    void addAttributeBinding(const std::string& name, int location);
    /// Compiles and links; on failure prints the log and leaves the program 0.
    void buildShader();
    /// Builds if needed, then glUseProgram (0 after a failed build).
    void useProgram();
    unsigned int program() const { return mProgram; }

    void setUniform1i(const std::string& name, int v) const;
    void setUniform2i(const std::string& name, int v0, int v1) const;
    void setUniform3i(const std::string& name, int v0, int v1, int v2) const;
    void setUniform4i(const std::string& name, int v0, int v1, int v2, int v3) const;
    void setUniform1f(const std::string& name, float v) const;
    void setUniform2f(const std::string& name, float v0, float v1) const;
    void setUniform3f(const std::string& name, float v0, float v1, float v2) const;
    void setUniform4f(const std::string& name, float v0, float v1, float v2, float v3) const;
    void setUniform2f(const std::string& name, const Vec2& v) const;
    void setUniform3f(const std::string& name, const Vec3& v) const;
    void setUniform4f(const std::string& name, const Vec4& v) const;
    void setUniform4f(const std::string& name, const Color& c) const;
    void setUniform1iv(const std::string& name, const int* data, int count) const;
    void setUniform2iv(const std::string& name, const int* data, int count) const;
    void setUniform3iv(const std::string& name, const int* data, int count) const;
    void setUniform4iv(const std::string& name, const int* data, int count) const;
    void setUniform1fv(const std::string& name, const float* data, int count) const;
    void setUniform2fv(const std::string& name, const float* data, int count) const;
    void setUniform3fv(const std::string& name, const float* data, int count) const;
    void setUniform4fv(const std::string& name, const float* data, int count) const;
    /// Uploads count transforms as mat3, column by column (m00, m10, 0, m01, m11, 0, m02,
    /// m12, 1).
    void setUniformMatrix3f(const std::string& name, const Affine* transforms, int count) const;
    /// Uploads one matrix whatever the count (only a count of 1 is meaningful).
    void setUniformMatrix4f(const std::string& name, const Mat4& m, int count) const;
    /// Binds texture to target on the unit and points the sampler at it.
    void setUniformTexture(const std::string& name, int target, int texture, int unit) const;
    int getUniformLocation(const std::string& name) const;

    int getAttributeLocation(const std::string& name) const;
    void setAttribute1fv(const std::string& name, const float* data, int stride) const;
    void setAttribute2fv(const std::string& name, const float* data, int stride) const;
    void setAttribute3fv(const std::string& name, const float* data, int stride) const;
    void setAttribute4fv(const std::string& name, const float* data, int stride) const;
    void setAttribute1fv(int location, const float* data, int stride) const;
    void setAttribute2fv(int location, const float* data, int stride) const;
    void setAttribute3fv(int location, const float* data, int stride) const;
    void setAttribute4fv(int location, const float* data, int stride) const;
    void setAttribute1iv(int location, const int* data, int stride) const;
    void disableVertexAttributeArray(const std::string& name) const;
    void disableVertexAttributeArray(int location) const;

  private:
    int location(const std::string& name) const;
    void attribute(int location, int size, const void* data, int stride) const;

    std::string mVertexSource;
    std::string mFragmentSource;
    std::string mGeometrySource;
    unsigned int mProgram = 0;
    std::map<std::string, int> mAttributeBindings;
};

}  // namespace Corvane::Tessory
