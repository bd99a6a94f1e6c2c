#include "GL/GLObject.h"

#include <glbinding/gl/gl.h>

using namespace gl;

namespace Corvane::Tessory {

template <GLKind Kind>
GLObject<Kind> GLObject<Kind>::generate() {
    GLuint name = 0;
    if constexpr (Kind == GLKind::Texture) {
        glGenTextures(1, &name);
    } else if constexpr (Kind == GLKind::Renderbuffer) {
        glGenRenderbuffers(1, &name);
    } else {
        glGenBuffers(1, &name);
    }
    return GLObject(name);
}

template <GLKind Kind>
void GLObject<Kind>::reset() noexcept {
    if (mName == 0) return;
    if constexpr (Kind == GLKind::Texture) {
        glDeleteTextures(1, &mName);
    } else if constexpr (Kind == GLKind::Renderbuffer) {
        glDeleteRenderbuffers(1, &mName);
    } else {
        glDeleteBuffers(1, &mName);
    }
    mName = 0;
}

template class GLObject<GLKind::Texture>;
template class GLObject<GLKind::Renderbuffer>;
template class GLObject<GLKind::Buffer>;

}  // namespace Corvane::Tessory
