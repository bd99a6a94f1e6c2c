#include "GL/AEOpenGLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <glbinding/Binding.h>
#include <glbinding/ContextInfo.h>
#include <glbinding/Meta.h>
#include <glbinding/Version.h>
#include <glbinding/gl/gl.h>

#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "PlatformDisplay.h"

using namespace gl;

namespace Corvane::Tessory {
namespace {

// The host's display when it has a context current, else the one the host would find: both
// ends share one EGLDisplay, so contexts can be switched freely.
EGLDisplay openDisplay() {
    if (EGLDisplay current = eglGetCurrentDisplay(); current != EGL_NO_DISPLAY) {
        return current;
    }
    return PlatformDisplay::find().display;
}

// The GL binding keys its per-context function state by a handle of our choosing (its own
// current-context query only knows GLX). glbinding 2.1 grows the state of every function
// each time a handle is registered, which races with GL calls on other threads, and its
// release frees the wrong slots. So a fixed set of handles is registered once, before the
// first context is used, and each EGL context borrows one of them while it lives.
constexpr int kBindingSlots = 32;
std::mutex gBindingMutex;
std::map<void*, glbinding::ContextHandle> gSlots;  // EGL context -> binding handle
std::vector<glbinding::ContextHandle> gFreeSlots;
glbinding::ContextHandle gNextSlot = -1;

glbinding::ContextHandle newSlot() {
    const glbinding::ContextHandle slot = gNextSlot--;
    glbinding::Binding::initialize(slot, false, false);
    return slot;
}

// The handle of context; one is lent to it when it has none. Lock held.
glbinding::ContextHandle slotFor(void* context) {
    if (gNextSlot == -1) {
        for (int i = 0; i < kBindingSlots; ++i) gFreeSlots.push_back(newSlot());
    }
    auto it = gSlots.find(context);
    if (it != gSlots.end()) return it->second;
    glbinding::ContextHandle slot = 0;
    if (gFreeSlots.empty()) {
        slot = newSlot();  // more contexts alive than foreseen: grows, rarely
    } else {
        slot = gFreeSlots.back();
        gFreeSlots.pop_back();
    }
    gSlots.emplace(context, slot);
    return slot;
}

void returnSlot(void* context) {
    auto it = gSlots.find(context);
    if (it == gSlots.end()) return;
    gFreeSlots.push_back(it->second);
    gSlots.erase(it);
}

// Flushes the current context before it is switched away, unless an incomplete framebuffer
// object is bound (flushing that is an error on some drivers). A context that holds no
// handle (one being destroyed, or a stranger's) borrows one for the flush only.
void flushOutgoing() {
    EGLContext current = eglGetCurrentContext();
    if (current == EGL_NO_CONTEXT) return;
    bool borrowed = false;
    {
        std::lock_guard<std::mutex> lock(gBindingMutex);
        borrowed = gSlots.count(current) == 0;
        glbinding::Binding::useContext(slotFor(current));
    }
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    if (bound == 0 || glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        glFlush();
    }
    if (borrowed) {
        std::lock_guard<std::mutex> lock(gBindingMutex);
        returnSlot(current);
    }
}

}  // namespace

void* AEOpenGLContext::display() {
    static const EGLDisplay kDisplay = openDisplay();
    return kDisplay;
}

void* AEOpenGLContext::createContext(void* share) {
    EGLDisplay dpy = display();
    if (dpy == EGL_NO_DISPLAY) return nullptr;
    eglBindAPI(EGL_OPENGL_API);
    EGLConfig config = nullptr;
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                       EGL_DONT_CARE, EGL_NONE};
    EGLint found = 0;
    if (!eglChooseConfig(dpy, configAttributes, &config, 1, &found) || found == 0) {
        config = EGL_NO_CONFIG_KHR;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 2,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(dpy, config, share ? share : EGL_NO_CONTEXT, attributes);
    return context == EGL_NO_CONTEXT ? nullptr : context;
}

AEOpenGLContext::AEOpenGLContext(const AEOpenGLContext* shared) {
    mEGLContext = createContext(shared ? shared->mEGLContext : nullptr);
    // A context that could not be made changes nothing that is current.
    if (mEGLContext) makeCurrentFlush(mEGLContext);
    InitializeOpenGLBindings();
    if (mEGLContext) {
        mExtensions = glbinding::ContextInfo::extensions(nullptr);
    }
}

AEOpenGLContext::~AEOpenGLContext() {
    if (!mEGLContext) return;
    {
        std::lock_guard<std::mutex> lock(gBindingMutex);
        returnSlot(mEGLContext);
    }
    // EGL defers the destruction of a context current on some thread until it is released
    // there; the handle is gone for us either way.
    eglDestroyContext(display(), mEGLContext);
}

void AEOpenGLContext::makeContextCurrent() {
    makeCurrentFlush(mEGLContext);
    useCurrentBinding();
}

void AEOpenGLContext::makeCurrentFlush(void* target) {
    if (eglGetCurrentContext() == target) return;
    flushOutgoing();
    eglBindAPI(EGL_OPENGL_API);
    if (target) {
        eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, target);
    } else if (eglGetCurrentDisplay() != EGL_NO_DISPLAY) {
        eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
}

void AEOpenGLContext::useCurrentBinding() {
    void* current = eglGetCurrentContext();
    if (!current) return;
    std::lock_guard<std::mutex> lock(gBindingMutex);
    glbinding::Binding::useContext(slotFor(current));
}

void AEOpenGLContext::InitializeOpenGLBindings() {
    useCurrentBinding();
    if (eglGetCurrentContext() == EGL_NO_CONTEXT) {
        // Nothing to ask: the strings of a GL without a context are null.
        std::cout << std::endl
                  << "OpenGL Version:  " << std::endl
                  << "OpenGL Vendor:   " << std::endl
                  << "OpenGL Renderer: " << std::endl
                  << "OpenGL Revision: " << glbinding::Meta::glRevision() << " (gl.xml)"
                  << std::endl
                  << std::endl;
        return;
    }
    std::cout << std::endl;
    std::cout << "OpenGL Version:  " << glbinding::ContextInfo::version() << std::endl;
    std::cout << "OpenGL Vendor:   " << glbinding::ContextInfo::vendor() << std::endl;
    std::cout << "OpenGL Renderer: " << glbinding::ContextInfo::renderer() << std::endl;
    std::cout << "OpenGL Revision: " << glbinding::Meta::glRevision() << " (gl.xml)" << std::endl;
    std::cout << std::endl;
}

void SaveRestoreGLContextMac::init() {
    mContext = eglGetCurrentContext();
    mDisplay = eglGetCurrentDisplay();
    mDrawSurface = eglGetCurrentSurface(EGL_DRAW);
    mReadSurface = eglGetCurrentSurface(EGL_READ);
    mRestored = false;
}

void SaveRestoreGLContextMac::restore() {
    if (mRestored) return;
    mRestored = true;
    // With nothing recorded the effect's context stays current, as nothing is there to
    // go back to.
    if (!mContext) return;
    if (eglGetCurrentContext() == mContext && eglGetCurrentSurface(EGL_DRAW) == mDrawSurface &&
        eglGetCurrentSurface(EGL_READ) == mReadSurface) {
        return;
    }
    flushOutgoing();
    eglBindAPI(EGL_OPENGL_API);
    eglMakeCurrent(mDisplay, mDrawSurface, mReadSurface, mContext);
    // The effect makes no GL call in the host's context; the binding follows the next
    // makeContextCurrent.
}

}  // namespace Corvane::Tessory
