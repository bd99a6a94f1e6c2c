// The one place the effect draws to: framebuffers for the frame size, a stack of render
// targets, and the output pass into the renderbuffer that is read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "GL/GLObject.h"

namespace Corvane::Tessory {

class ScreenRender;
class Vec2;

class AEOpenglMainFrameBuffer {
  public:
    /// The process-wide object, made on first call and never deleted.
    static AEOpenglMainFrameBuffer* mainFrameBuffer();

    /// Makes the GL objects for a frame size; nothing happens when the size is unchanged
    /// (whatever the flag) and the current context already has its framebuffers.
    /// Framebuffer objects are per context: a context that renders for the first time
    /// gets its own set without touching the shared renderbuffer.
    void prepare(int64_t width, int64_t height, bool multisample);
    /// Deletes the current context's framebuffers, the output renderbuffer and every target.
    void unprepare();
    /// Releases every GL object and the output pass; the object is not used afterwards.
    void destory();

    /// Pushes the first target (cleared to transparent black), blending off, viewport set.
    void beginDrawing();
    /// Pops the top target, runs the output pass into the output renderbuffer and leaves
    /// the single-sample framebuffer bound for read-back. Nothing happens on an empty stack.
    void endDrawing(float multiplier);

    /// A fresh colour target (8 samples, fewer where the GL offers fewer, in multisample
    /// mode), optionally with a stencil buffer. The first flag is ignored.
    void pushRenderContext(bool unused, bool stencil);
    /// A texture with the top target's pixels (owned by the caller), 0 on an empty stack.
    unsigned int popRenderContext();
    /// Draws into an existing texture outside the stack.
    void pushNormalRenderContext(unsigned int texture);
    void pushNormalRenderContext(unsigned int texture, const Vec2& size, int32_t level);
    void popNormalRenderContext();
    void clearStack();

    unsigned int createRenderTexture(bool mipmap);
    unsigned int createRenderTexture(const Vec2& size, bool mipmap);
    unsigned int createFloatRenderTexture(bool linear, bool mipmap);
    unsigned int createFloatRenderTexture(const Vec2& size, bool linear, bool mipmap);

    uint16_t width() const { return static_cast<uint16_t>(mWidth); }
    uint16_t height() const { return static_cast<uint16_t>(mHeight); }

    // The current context's framebuffers (0 before prepare in this context).
    unsigned int frameBuffer() const;
    unsigned int resolveFrameBuffer() const;
    unsigned int multisampleFrameBuffer() const;
    unsigned int outputRenderBuffer() const { return mOutputRenderBuffer.id(); }
    size_t stackDepth() const { return mRenderBufferStack.size(); }
    size_t stencilCount() const;
    /// The output pass; null after destory.
    const ScreenRender* screenRender() const { return mScreenRender.get(); }
    /// Samples a multisample target gets on this GL: 8, or GL_MAX_SAMPLES when lower.
    static int sampleCount();

  private:
    AEOpenglMainFrameBuffer();

    // One pushed render target: its colour renderbuffer and, when asked for, a stencil.
    struct Target {
        GLRenderbuffer colour;
        GLRenderbuffer stencil;
    };
    /// Deletes the colour renderbuffer, then the stencil, as the stack lets go of a target.
    static void deleteTarget(Target& target);
    /// Points the working framebuffer at the top target again.
    void attachTop();

    // Framebuffer objects are not shared between contexts: a context's set can be deleted
    // only while that context is current, so they are kept as plain names per context.
    struct FrameBuffers {
        unsigned int resolve = 0;
        unsigned int frame = 0;
        unsigned int multisample = 0;
    };
    /// The current context's set, made when missing.
    FrameBuffers& frameBuffers();
    unsigned int workingFrameBuffer();
    void deleteFrameBuffers(FrameBuffers& buffers);
    unsigned int makeTexture(int width, int height, bool floatFormat, int minFilter, int magFilter,
                             uint64_t bytes);

    std::map<void*, FrameBuffers> mFrameBuffers;
    GLRenderbuffer mOutputRenderBuffer;
    bool mMultisample = true;
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    std::vector<Target> mRenderBufferStack;
    std::unique_ptr<ScreenRender> mScreenRender;
};

}  // namespace Corvane::Tessory
