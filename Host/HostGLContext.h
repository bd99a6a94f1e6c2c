// The host's own GL context on EGL, without a display server, on the display that
// PlatformDisplay finds for host and plug-in alike. The display is opened once per
// process and never terminated, because the plug-in makes contexts of its own on it.
#pragma once

#include <EGL/egl.h>

#include <string>

#include "PlatformDisplay.h"

namespace Corvane::Tessory::Host {

class HostGLContext {
  public:
    using Platform = PlatformDisplay::Platform;

    /// A new OpenGL 3.2+ core context (no surface) on the shared display. Check valid():
    /// without EGL or a suitable configuration the object holds no context and error()
    /// says why.
    HostGLContext();
    ~HostGLContext();
    HostGLContext(const HostGLContext&) = delete;
    HostGLContext& operator=(const HostGLContext&) = delete;

    bool valid() const { return mContext != EGL_NO_CONTEXT; }
    EGLContext context() const { return mContext; }
    /// Makes this context current on the calling thread with no surface; false on failure.
    bool makeCurrent() const;
    bool isCurrent() const;

    /// The process-wide display, opened and initialised on first use; EGL_NO_DISPLAY when
    /// none could be opened.
    static EGLDisplay display();
    static Platform platform();
    /// "device", "surfaceless" or "none".
    static const char* platformName();
    /// Why the display or the last context could not be made; empty when all went well.
    static std::string error();
    /// GL_RENDERER of a context made for the question and let go again; the calling thread
    /// is left with no context current. Empty when no context can be made.
    static std::string probeRendererName();
    /// True for Mesa's software rasterisers (llvmpipe, softpipe, swrast).
    static bool softwareRenderer(const std::string& renderer);
    /// Makes no context current on the calling thread (the display stays open).
    static void releaseCurrent();
    /// Hands a thread back to whoever owns it with no EGL state: no context current
    /// (eglMakeCurrent) and the thread's EGL state freed (eglReleaseThread). Does nothing on
    /// a thread that made no EGL call through the host, so CPU-only callers open no display.
    /// The next EGL call on the thread starts afresh. A thread that ends while the process
    /// exits must have been handed back: libEGL's exit-time clean-up races the thread's own.
    static void releaseThread();
    /// eglGetCurrentContext() for the OpenGL API, whatever API the thread had bound.
    static EGLContext current();

  private:
    EGLContext mContext = EGL_NO_CONTEXT;
};

}  // namespace Corvane::Tessory::Host
