// The effect's own GL contexts (EGL, no default framebuffer) and the guard that puts the
// host's context back when a command leaves.
#pragma once

#include <glbinding/gl/extension.h>

#include <set>

namespace Corvane::Tessory {

/// One GL context of the effect. The constructor leaves it current on the calling thread;
/// the destructor destroys it without changing what is current.
class AEOpenGLContext {
  public:
    /// A 3.2+ core context sharing objects with `shared` (or with nothing). Prints the GL
    /// information block. Creation failures leave a null handle and are not reported.
    explicit AEOpenGLContext(const AEOpenGLContext* shared);
    virtual ~AEOpenGLContext();

    AEOpenGLContext(const AEOpenGLContext&) = delete;
    AEOpenGLContext& operator=(const AEOpenGLContext&) = delete;

    /// Makes this context current (flushing the outgoing one) and points the GL binding at
    /// it. Costs nothing when it is current already, apart from the binding switch.
    void makeContextCurrent();

    /// The EGLContext handle (as void*), null when creation failed.
    void* handle() const { return mEGLContext; }
    const std::set<gl::GLextension>& extensions() const { return mExtensions; }

    /// Switches the calling thread to `target` (may be null), flushing the outgoing context
    /// first unless a bound framebuffer object is incomplete. Does nothing when `target`
    /// is current already.
    static void makeCurrentFlush(void* target);
    /// Registers the current context with the GL binding (keyed by its handle), makes the
    /// binding use it and prints the information block.
    static void InitializeOpenGLBindings();
    /// The EGL display every context of the effect lives on: the one the host's context
    /// uses, else the hardware device, else Mesa's surfaceless platform.
    static void* display();
    /// Points the GL binding at whatever context is current now.
    static void useCurrentBinding();

  private:
    /// Creates a context; `share` may be null.
    static void* createContext(void* share);

    void* mEGLContext = nullptr;
    std::set<gl::GLextension> mExtensions;
};

/// Records the context, display and surfaces current on the calling thread when made, and
/// makes them current again at `restore` (once). Destroying an unrestored guard restores
/// too, so a command that leaves by an exception still hands the host its context back.
class SaveRestoreGLContextMac {
  public:
    SaveRestoreGLContextMac() { init(); }
    ~SaveRestoreGLContextMac() { restore(); }

    SaveRestoreGLContextMac(const SaveRestoreGLContextMac&) = delete;
    SaveRestoreGLContextMac& operator=(const SaveRestoreGLContextMac&) = delete;

    void init();
    void restore();
    bool restored() const { return mRestored; }
    void* savedContext() const { return mContext; }

  private:
    void* mContext = nullptr;
    void* mDisplay = nullptr;
    void* mDrawSurface = nullptr;
    void* mReadSurface = nullptr;
    bool mRestored = true;
};

}  // namespace Corvane::Tessory
