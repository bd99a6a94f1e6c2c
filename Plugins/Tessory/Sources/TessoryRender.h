// The effect's render pass: frame settings read from the host, the generated compositing
// program and the full-frame draw that cuts the shape and composites the echo instances.
#pragma once

#include <memory>
#include <string>

#include "AE_Effect.h"
#include "FrameSettings.h"
#include "GL/FullFrameQuad.h"
#include "Math/Vec2.h"

namespace Corvane::Tessory {

class OpenglShader;

class FinalRender {
  public:
    FinalRender();
    /// Deletes the program, every context's quad buffer and the current context's vertex
    /// array; call it with a GL context of the effect's share group current. The other
    /// contexts' vertex arrays go with those contexts.
    ~FinalRender();
    FinalRender(const FinalRender&) = delete;
    FinalRender& operator=(const FinalRender&) = delete;

    /// Reads every parameter of the current frame (FrameSettings::read). A change of
    /// "Shape Type" discards the program (a GL context must be current).
    void prepare(PF_InData* in_data, PF_OutData* out_data);
    /// Draws the frame into the bound render target: texture holds the input layer as
    /// uploaded (host channel order), size is the frame in pixels.
    void draw(unsigned int texture, float multiplier, Vec2 size);
    /// Makes the program object for the stored shape type unless one exists; compiling
    /// and linking happen on its first use.
    void buildShader();
    /// The body of shapeFunc for the stored shape type; empty for an unknown type.
    std::string shapeFunc() const;

    /// The fragment program's text without the shape body (the vertex stage is the quad's
    /// pass-through program).
    static const std::string& compositingProgram();
    /// The body for a shape type 1..9, empty otherwise.
    static std::string shapeBody(int shapeType);

  private:
    // The render command may come from any host thread, each with its own context; the
    // quad keeps a vertex array per context.
    FullFrameQuad mQuad;
    std::unique_ptr<OpenglShader> mShader;
    // The program is made for this shape type; a frame with another discards it.
    int mShapeType = 0;
    FrameSettings mSettings;
};

/// The one render pass of the process: made when the module loads, deleted by global
/// tear-down (and made again by a later global set-up).
extern FinalRender* kRender;

}  // namespace Corvane::Tessory
