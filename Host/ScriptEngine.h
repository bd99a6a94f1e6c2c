// The host's script engine: JavaScript on an embedded duktape heap.
#pragma once

#include <mutex>
#include <string>

struct duk_hthread;

namespace Corvane::Tessory::Host {

class ScriptEngine {
  public:
    struct Result {
        bool ok = false;
        /// The completion value as text; empty for undefined and on failure.
        std::string text;
        /// "SyntaxError: ...", "ReferenceError: ...", ...; empty on success.
        std::string error;
    };

    ScriptEngine();
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    /// Runs UTF-8 source text. Globals persist from one run to the next, as in a host's
    /// scripting session. Safe to call from several threads; runs are serialised.
    Result run(const std::string& utf8);

  private:
    std::mutex mMutex;
    duk_hthread* mHeap = nullptr;
};

}  // namespace Corvane::Tessory::Host
