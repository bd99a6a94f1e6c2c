// The output pass: premultiplied working colour back to the host's straight ARGB order.
#pragma once

#include "GL/FullFrameQuad.h"
#include "GL/OpenglShader.h"

namespace Corvane::Tessory {

class ScreenRender {
  public:
    /// No GL call; the program is built at the first draw.
    ScreenRender();
    ~ScreenRender() = default;
    ScreenRender(const ScreenRender&) = delete;
    ScreenRender& operator=(const ScreenRender&) = delete;

    /// Draws texture through the output program into the bound framebuffer (the caller
    /// sets viewport and target). Leaves the program current and texture unit 0 bound.
    void draw(unsigned int texture, float multiplier);

    const OpenglShader& shader() const { return mShader; }
    const FullFrameQuad& quad() const { return mQuad; }
    static const char* fragmentText();

  private:
    FullFrameQuad mQuad;
    OpenglShader mShader;
};

}  // namespace Corvane::Tessory
