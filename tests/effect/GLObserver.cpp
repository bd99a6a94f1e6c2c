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
#include <sstream>
#include <stdexcept>

namespace Corvane::Tessory::Testing {
namespace {

std::mutex gMutex;
std::vector<GLCall> gCalls;
std::vector<void*> gCreated;
std::vector<void*> gDestroyed;
std::function<void(void*)> gOnDestroyed;

std::string print(const glbinding::AbstractValue* value) {
    std::ostringstream s;
    s.precision(9);
    if (value) value->printOn(s);
    return s.str();
}

// Uploads whose last argument is an array of floats, with the floats per element.
int floatsPerElement(const std::string& name) {
    if (name == "glUniformMatrix3fv") return 9;
    if (name == "glUniformMatrix4fv") return 16;
    if (name == "glUniform1fv") return 1;
    if (name == "glUniform2fv") return 2;
    if (name == "glUniform3fv") return 3;
    if (name == "glUniform4fv") return 4;
    return 0;
}

void record(const glbinding::FunctionCall& call) {
    GLCall c;
    c.name = call.function->name();
    for (const glbinding::AbstractValue* p : call.parameters) c.params.push_back(print(p));
    c.result = print(call.returnValue);
    // The array is still alive while the call is reported.
    if (const int per = floatsPerElement(c.name); per > 0 && c.params.size() >= 3) {
        const int count = std::atoi(c.params[1].c_str());
        const auto* data =
            reinterpret_cast<const float*>(std::strtoull(c.params.back().c_str(), nullptr, 16));
        if (data && count > 0) c.floats.assign(data, data + count * per);
    }
    std::lock_guard<std::mutex> lock(gMutex);
    gCalls.push_back(std::move(c));
}

}  // namespace

void GLObserver::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        glbinding::setAfterCallback(record);
        // Every context the binding is switched to reports its calls.
        glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) {
            // A context the binding is still registering has no state yet; it reports once
            // it is switched to again after its registration.
            try {
                glbinding::setCallbackMask(glbinding::CallbackMask::After |
                                           glbinding::CallbackMask::ParametersAndReturnValue);
            } catch (const std::out_of_range&) {
            }
        });
    });
}

void GLObserver::clear() {
    std::lock_guard<std::mutex> lock(gMutex);
    gCalls.clear();
}

std::vector<GLCall> GLObserver::calls() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gCalls;
}

int GLObserver::count(std::string_view name) {
    std::lock_guard<std::mutex> lock(gMutex);
    return static_cast<int>(std::count_if(gCalls.begin(), gCalls.end(),
                                          [&](const GLCall& c) { return c.name == name; }));
}

std::map<std::string, std::vector<float>> GLObserver::uniforms() {
    std::map<std::string, std::vector<float>> out;
    std::string current;
    for (const GLCall& c : calls()) {
        if (c.name == "glGetUniformLocation" && c.params.size() == 2) {
            // The binding prints the name in double quotes.
            std::string name = c.params[1];
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            current = c.result == "-1" ? std::string() : name;
        } else if (c.name.rfind("glUniform", 0) == 0 && !current.empty()) {
            std::vector<float> values = c.floats;
            if (floatsPerElement(c.name) == 0) {
                for (size_t i = 1; i < c.params.size(); ++i)
                    values.push_back(std::strtof(c.params[i].c_str(), nullptr));
            }
            out[current] = values;
            current.clear();
        }
    }
    return out;
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

void EGLContextProbe::onDestroyed(std::function<void(void*)> listener) {
    std::lock_guard<std::mutex> lock(gMutex);
    gOnDestroyed = std::move(listener);
}

}  // namespace Corvane::Tessory::Testing

// Exported by the test executable, so the module's calls land here first.
extern "C" __attribute__((visibility("default"))) EGLContext eglCreateContext(
    EGLDisplay dpy, EGLConfig config, EGLContext share, const EGLint* attribs) {
    using Fn = EGLContext (*)(EGLDisplay, EGLConfig, EGLContext, const EGLint*);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "eglCreateContext"));
    EGLContext context = real(dpy, config, share, attribs);
    if (context != EGL_NO_CONTEXT) {
        std::lock_guard<std::mutex> lock(Corvane::Tessory::Testing::gMutex);
        Corvane::Tessory::Testing::gCreated.push_back(context);
    }
    return context;
}

extern "C" __attribute__((visibility("default"))) EGLBoolean eglDestroyContext(EGLDisplay dpy,
                                                                               EGLContext ctx) {
    using Fn = EGLBoolean (*)(EGLDisplay, EGLContext);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "eglDestroyContext"));
    const EGLBoolean ok = real(dpy, ctx);
    if (ok) {
        std::function<void(void*)> listener;
        {
            std::lock_guard<std::mutex> lock(Corvane::Tessory::Testing::gMutex);
            Corvane::Tessory::Testing::gDestroyed.push_back(ctx);
            listener = Corvane::Tessory::Testing::gOnDestroyed;
        }
        if (listener) listener(ctx);
    }
    return ok;
}
