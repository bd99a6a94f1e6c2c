#include "GLObjectCounter.h"

#include <EGL/egl.h>
#include <glbinding/AbstractFunction.h>
#include <glbinding/AbstractValue.h>
#include <glbinding/Binding.h>
#include <glbinding/CallbackMask.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "GLObserver.h"

namespace Corvane::Tessory::Testing {
namespace {

// Kinds made n at a time through an array (glGenX / glDeleteX).
const std::set<std::string, std::less<>> kArrayKinds{"Textures", "Renderbuffers", "Buffers",
                                                     "Framebuffers", "VertexArrays"};
// Kinds made one at a time (glCreateX returns the name, glDeleteX takes it).
const std::set<std::string, std::less<>> kSingleKinds{"Program", "Shader"};
// Kinds that are not shared between contexts.
bool perContext(const std::string& kind) {
    return kind == "Framebuffers" || kind == "VertexArrays";
}

std::mutex gMutex;
// (kind, owning context or null when shared, name)
std::set<std::tuple<std::string, void*, unsigned>> gAlive;

std::string print(const glbinding::AbstractValue* value) {
    std::ostringstream s;
    if (value) value->printOn(s);
    return s.str();
}

std::vector<unsigned> names(const glbinding::FunctionCall& call) {
    if (call.parameters.size() < 2) return {};
    const long n = std::strtol(print(call.parameters[0]).c_str(), nullptr, 10);
    const auto* data = reinterpret_cast<const unsigned*>(
        std::strtoull(print(call.parameters[1]).c_str(), nullptr, 16));
    if (!data || n <= 0) return {};
    return std::vector<unsigned>(data, data + n);
}

void update(const glbinding::FunctionCall& call) {
    const std::string fn = call.function->name();
    const bool gen = fn.rfind("glGen", 0) == 0, create = fn.rfind("glCreate", 0) == 0;
    const bool del = fn.rfind("glDelete", 0) == 0;
    if (!gen && !create && !del) return;
    const std::string kind = fn.substr(gen ? 5 : 8);  // "glGen" or "glCreate"/"glDelete"
    void* owner = perContext(kind) ? static_cast<void*>(eglGetCurrentContext()) : nullptr;
    std::vector<unsigned> list;
    if (kArrayKinds.count(kind)) {
        list = names(call);
    } else if (kSingleKinds.count(kind)) {
        const std::string text = print(create                    ? call.returnValue
                                       : call.parameters.empty() ? nullptr
                                                                 : call.parameters[0]);
        list.push_back(static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 10)));
    } else {
        return;
    }
    std::lock_guard<std::mutex> lock(gMutex);
    for (unsigned name : list) {
        if (name == 0) continue;  // deleting 0 is ignored by GL
        if (del)
            gAlive.erase({kind, owner, name});
        else
            gAlive.insert({kind, owner, name});
    }
}

void forgetContext(void* context) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gAlive.begin(); it != gAlive.end();)
        it = std::get<1>(*it) == context ? gAlive.erase(it) : std::next(it);
}

bool reports(const std::string& fn) {
    for (const char* prefix : {"glGen", "glDelete", "glCreate"})
        if (fn.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace

void GLObjectCounter::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        glbinding::setAfterCallback(update);
        EGLContextProbe::onDestroyed(forgetContext);
        glbinding::Binding::addContextSwitchCallback([](glbinding::ContextHandle) {
            // A context the binding is still registering has no state yet; it reports
            // once it is switched to again.
            try {
                for (glbinding::AbstractFunction* f : glbinding::Binding::functions())
                    if (reports(f->name()))
                        f->setCallbackMask(glbinding::CallbackMask::After |
                                           glbinding::CallbackMask::ParametersAndReturnValue);
            } catch (const std::out_of_range&) {
            }
        });
    });
}

std::map<std::string, int> GLObjectCounter::alive() {
    std::lock_guard<std::mutex> lock(gMutex);
    std::map<std::string, int> out;
    for (const auto& [kind, owner, name] : gAlive) ++out[kind];
    return out;
}

int GLObjectCounter::total() {
    std::lock_guard<std::mutex> lock(gMutex);
    return static_cast<int>(gAlive.size());
}

std::string GLObjectCounter::describe() {
    std::ostringstream s;
    const char* sep = "";
    for (const auto& [kind, n] : alive()) {
        s << sep << kind << " " << n;
        sep = ", ";
    }
    return s.str().empty() ? "none" : s.str();
}

}  // namespace Corvane::Tessory::Testing
