// One GL object owned by its name, in the manner of a move-only handle: copying is not
// possible, moving hands the name over, the destructor deletes the object (with the
// glDelete* call of its kind, in whatever context is current: it must be one of the share
// group that made it), and release() gives the name up to a caller that takes over.
#pragma once

#include <utility>

namespace Corvane::Tessory {

enum class GLKind { Texture, Renderbuffer, Buffer };

template <GLKind Kind>
class GLObject {
  public:
    /// Holds nothing.
    GLObject() = default;
    /// Takes over an existing name (0 holds nothing).
    explicit GLObject(unsigned int name) noexcept : mName(name) {}
    /// A new name from glGenTextures, glGenRenderbuffers or glGenBuffers; the object
    /// itself comes to be at its first bind.
    static GLObject generate();

    ~GLObject() { reset(); }
    GLObject(const GLObject&) = delete;
    GLObject& operator=(const GLObject&) = delete;
    GLObject(GLObject&& other) noexcept : mName(std::exchange(other.mName, 0)) {}
    GLObject& operator=(GLObject&& other) noexcept {
        if (this != &other) {
            reset();
            mName = std::exchange(other.mName, 0);
        }
        return *this;
    }

    unsigned int id() const { return mName; }
    explicit operator bool() const { return mName != 0; }
    /// The name, which the caller now owns; this holds nothing afterwards.
    unsigned int release() noexcept { return std::exchange(mName, 0); }
    /// Deletes the object now (glDeleteTextures, glDeleteRenderbuffers, glDeleteBuffers).
    void reset() noexcept;

  private:
    unsigned int mName = 0;
};

using GLTexture = GLObject<GLKind::Texture>;
using GLRenderbuffer = GLObject<GLKind::Renderbuffer>;
using GLBuffer = GLObject<GLKind::Buffer>;

}  // namespace Corvane::Tessory
