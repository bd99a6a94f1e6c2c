#include "Host/ScriptEngine.h"

#include <duktape.h>

#include <cstdio>
#include <cstdlib>

#include "Host/HostError.h"

namespace Corvane::Tessory::Host {
namespace {

// Duktape calls this only for errors outside any protected call; everything a script does
// runs protected, so reaching it is a bug of the host.
// It must not return, and no exception may cross the engine's C frames.
void fatal(void*, const char* message) {
    std::fprintf(stderr, "script engine failure: %s\n", message ? message : "");
    std::abort();
}

}  // namespace

ScriptEngine::ScriptEngine() {
    mHeap = duk_create_heap(nullptr, nullptr, nullptr, nullptr, fatal);
    if (!mHeap) throw HostError("cannot create the script engine");
}

ScriptEngine::~ScriptEngine() {
    duk_destroy_heap(mHeap);
}

ScriptEngine::Result ScriptEngine::run(const std::string& utf8) {
    std::lock_guard<std::mutex> lock(mMutex);
    Result result;
    duk_context* ctx = mHeap;
    const duk_idx_t top = duk_get_top(ctx);
    if (duk_peval_lstring(ctx, utf8.data(), utf8.size()) != 0) {
        // duk_safe_to_string gives "Name: message" for error objects and survives a
        // thrown value whose own conversion throws.
        result.error = duk_safe_to_string(ctx, -1);
    } else {
        result.ok = true;
        if (!duk_is_undefined(ctx, -1)) result.text = duk_safe_to_string(ctx, -1);
    }
    duk_set_top(ctx, top);
    return result;
}

}  // namespace Corvane::Tessory::Host
