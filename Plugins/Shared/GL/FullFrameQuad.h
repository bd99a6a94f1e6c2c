// The two triangles every full-frame pass draws, kept once per GL context, and the
// pass-through vertex program that feeds them to a fragment program.
#pragma once

#include <cstddef>
#include <map>

namespace Corvane::Tessory {

class OpenglShader;

/// Six vertices of x, y, z, u, v (stride 20 bytes) covering clip space, with u, v = (x+1)/2,
/// (y+1)/2 so nothing is flipped. Vertex arrays are not shared between contexts, so one
/// vertex array and buffer are made per current context, on first use there.
class FullFrameQuad {
  public:
    static constexpr int kStride = 20;
    static constexpr int kUvOffset = 12;

    /// The pass-through vertex program of every pass: "position" (location 0) to clip
    /// space, "input_uv" (location 1) on to the fragment stage as "uv".
    static const char* vertexText();

    FullFrameQuad() = default;
    /// Deletes every context's buffer (buffers are shared across the share group) and the
    /// current context's vertex array; the other vertex arrays go with their contexts.
    ~FullFrameQuad();
    FullFrameQuad(const FullFrameQuad&) = delete;
    FullFrameQuad& operator=(const FullFrameQuad&) = delete;

    /// Binds the current context's vertex array and buffer (glBindVertexArray,
    /// glBindBuffer GL_ARRAY_BUFFER), making them on first use there. A context handle
    /// reused by a later context that never saw those names gets new ones.
    void bind();
    /// Binds the quad and points the current program's attributes 0 and 1 at it.
    void bindAttributes(OpenglShader& shader);
    /// glDrawArrays of the six vertices with the quad bound; then disables attributes 0
    /// and 1 and unbinds the vertex array and the array buffer.
    void draw(OpenglShader& shader);
    /// One pass of a conversion program over the frame: binds texture on unit 0 as
    /// "videoTexture", sets "multiplier16bit", draws the quad and unbinds it again. The
    /// program stays current.
    void drawTexture(OpenglShader& shader, unsigned int texture, float multiplier);
    /// Unbinds the vertex array and the array buffer.
    static void unbind();
    /// The current context's objects; 0 before its first draw.
    unsigned int vertexArray() const;
    unsigned int vertexBuffer() const;
    /// Vertex arrays made so far, over all contexts.
    size_t contextCount() const { return mPerContext.size(); }

  private:
    struct Objects {
        unsigned int vertexArray = 0;
        unsigned int vertexBuffer = 0;
    };
    std::map<void*, Objects> mPerContext;
};

}  // namespace Corvane::Tessory
