#include "GLObserver.h"

#include <EGL/egl.h>
#include <dlfcn.h>
#include <glbinding/AbstractFunction.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/Binding.h>
#include <glbinding/CallbackMask.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <tuple>

namespace Corvane::Tessory::Testing {
namespace {

std::mutex gMutex;
GLObserver::Watch gWatch = GLObserver::Watch::Calls;
std::vector<std::string> gCalls;
std::vector<void*> gCreated;
std::vector<void*> gDestroyed;
// (kind, owning context or null when shared, name)
std::set<std::tuple<std::string, void*, unsigned>> gAlive;

std::string print(const glbinding::AbstractValue* value) {
    std::ostringstream s;
    if (value) value->printOn(s);
    return s.str();
}

template <typename T>
const T* pointer(const std::string& printed) {
    return reinterpret_cast<const T*>(std::strtoull(printed.c_str(), nullptr, 16));
}

bool makesOrDeletes(const std::string& fn) {
    for (const char* prefix : {"glGen", "glDelete", "glCreate"})
        if (fn.rfind(prefix, 0) == 0) return true;
    return false;
}

// Kinds made n at a time through an array, and kinds made one at a time by name.
const std::set<std::string, std::less<>> kArrayKinds{"Textures", "Renderbuffers", "Buffers",
                                                     "Framebuffers", "VertexArrays"};
const std::set<std::string, std::less<>> kSingleKinds{"Program", "Shader"};

// Caller holds gMutex.
void countObjects(const std::string& fn, const std::vector<std::string>& params,
                  const std::string& result) {
    const bool gen = fn.rfind("glGen", 0) == 0, create = fn.rfind("glCreate", 0) == 0;
    const std::string kind = fn.substr(gen ? 5 : 8);  // "glGen" or "glCreate"/"glDelete"
    std::vector<unsigned> names;
    if (kArrayKinds.count(kind) && params.size() >= 2) {
        const long n = std::strtol(params[0].c_str(), nullptr, 10);
        if (const unsigned* data = pointer<unsigned>(params[1]); data && n > 0)
            names.assign(data, data + n);
    } else if (kSingleKinds.count(kind) && (create || !params.empty())) {
        names.push_back(static_cast<unsigned>(
            std::strtoul((create ? result : params[0]).c_str(), nullptr, 10)));
    }
    const bool perContext = kind == "Framebuffers" || kind == "VertexArrays";
    void* owner = perContext ? static_cast<void*>(eglGetCurrentContext()) : nullptr;
    for (unsigned name : names) {
        if (name == 0) continue;  // deleting 0 is ignored by GL
        if (gen || create)
            gAlive.insert({kind, owner, name});
        else
            gAlive.erase({kind, owner, name});
    }
}

void record(const glbinding::FunctionCall& call) {
    std::string name = call.function->name();
    std::lock_guard<std::mutex> lock(gMutex);
    if (makesOrDeletes(name)) {
        std::vector<std::string> params;
        for (const glbinding::AbstractValue* p : call.parameters) params.push_back(print(p));
        countObjects(name, params, print(call.returnValue));
    }
    if (gWatch == GLObserver::Watch::Calls) gCalls.push_back(std::move(name));
}

void forgetContext(void* context) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gAlive.begin(); it != gAlive.end();)
        it = std::get<1>(*it) == context ? gAlive.erase(it) : std::next(it);
}

}  // namespace

void GLObserver::install(Watch watch) {
    static std::once_flag once;
    std::call_once(once, [watch] {
        gWatch = watch;
        glbinding::setAfterCallback(record);
        glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) {
            // A context the binding is still registering has no state yet; it reports once
            // it is switched to again after its registration.
            try {
                for (glbinding::AbstractFunction* f : glbinding::Binding::functions()) {
                    if (makesOrDeletes(f->name()))
                        f->setCallbackMask(glbinding::CallbackMask::After |
                                           glbinding::CallbackMask::ParametersAndReturnValue);
                    else if (gWatch == Watch::Calls)
                        f->setCallbackMask(glbinding::CallbackMask::After);
                }
            } catch (const std::out_of_range&) {
            }
        });
    });
}

void GLObserver::clear() {
    std::lock_guard<std::mutex> lock(gMutex);
    gCalls.clear();
}

int GLObserver::count(std::string_view name) {
    std::lock_guard<std::mutex> lock(gMutex);
    return static_cast<int>(std::count(gCalls.begin(), gCalls.end(), name));
}

int GLObserver::calls() {
    std::lock_guard<std::mutex> lock(gMutex);
    return static_cast<int>(gCalls.size());
}

std::map<std::string, int> GLObserver::alive() {
    std::lock_guard<std::mutex> lock(gMutex);
    std::map<std::string, int> out;
    for (const auto& [kind, owner, name] : gAlive) ++out[kind];
    return out;
}

int GLObserver::total() {
    std::lock_guard<std::mutex> lock(gMutex);
    return static_cast<int>(gAlive.size());
}

std::string GLObserver::describe() {
    std::ostringstream s;
    for (const auto& [kind, n] : alive()) s << (s.tellp() > 0 ? ", " : "") << kind << " " << n;
    return s.tellp() > 0 ? s.str() : "none";
}

std::vector<void*> EGLContextProbe::created() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gCreated;
}

std::vector<void*> EGLContextProbe::destroyed() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gDestroyed;
}

void EGLContextProbe::clear() {
    std::lock_guard<std::mutex> lock(gMutex);
    gCreated.clear();
    gDestroyed.clear();
}

}  // namespace Corvane::Tessory::Testing

using namespace Corvane::Tessory::Testing;

// Exported by the test executable, so the module's calls land here first.
extern "C" __attribute__((visibility("default"))) EGLContext eglCreateContext(
    EGLDisplay dpy, EGLConfig config, EGLContext share, const EGLint* attribs) {
    using Fn = EGLContext (*)(EGLDisplay, EGLConfig, EGLContext, const EGLint*);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "eglCreateContext"));
    EGLContext context = real(dpy, config, share, attribs);
    if (context != EGL_NO_CONTEXT) {
        std::lock_guard<std::mutex> lock(gMutex);
        gCreated.push_back(context);
    }
    return context;
}

extern "C" __attribute__((visibility("default"))) EGLBoolean eglDestroyContext(EGLDisplay dpy,
                                                                               EGLContext ctx) {
    using Fn = EGLBoolean (*)(EGLDisplay, EGLContext);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "eglDestroyContext"));
    const EGLBoolean ok = real(dpy, ctx);
    if (ok) {
        {
            std::lock_guard<std::mutex> lock(gMutex);
            gDestroyed.push_back(ctx);
        }
        // Before EGL may hand the address to a new context.
        forgetContext(ctx);
    }
    return ok;
}
