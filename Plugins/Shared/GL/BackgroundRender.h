// The input pass: the host's straight ARGB order to premultiplied working colour.
#pragma once

#include "GL/FullFrameQuad.h"
#include "GL/OpenglShader.h"

namespace Corvane::Tessory {

class BackgroundRender {
  public:
    BackgroundRender();
    ~BackgroundRender() = default;
    BackgroundRender(const BackgroundRender&) = delete;
    BackgroundRender& operator=(const BackgroundRender&) = delete;

    /// Draws texture through the input program into the bound framebuffer.
    void draw(unsigned int texture, float multiplier);

    static const char* fragmentText();

    const OpenglShader& shader() const { return mShader; }
    const FullFrameQuad& quad() const { return mQuad; }

  private:
    OpenglShader mShader;
    FullFrameQuad mQuad;
};

}  // namespace Corvane::Tessory
