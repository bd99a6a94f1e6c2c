// A host with its GL context current, the effect's context manager set up around each
// test, and small GL helpers for reading results back.
#pragma once

#include <glbinding/gl/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "AE_Effect.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"

namespace Corvane::Tessory::Testing {

class GLTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    /// Runs body with the calling thread's render context current, as a render command
    /// does, and puts the host's context back afterwards.
    void inRenderContext(const std::function<void()>& body);

    Host::HostApp host;

    Host::HostProbe probe{host};
    PF_InData in{};
};

/// A GL_RGBA32F texture with nearest filtering, from w*h RGBA floats (null: zeros).
gl::GLuint makeFloatTexture(int w, int h, const float* rgba);
/// The texture's level 0 as RGBA floats, top row (t = 0) first.
std::vector<float> readTexture(gl::GLuint texture, int w, int h);
/// The bound read framebuffer as RGBA floats, row 0 first.
std::vector<float> readFloats(int w, int h);
/// A framebuffer with the texture as its colour attachment, bound to GL_FRAMEBUFFER.
gl::GLuint attachToNewFramebuffer(gl::GLuint texture);

}  // namespace Corvane::Tessory::Testing
