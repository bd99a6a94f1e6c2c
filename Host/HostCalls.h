// How the parts of the host tell an attached observer of each call the plug-in makes and
// ask it whether that call fails. Without an observer nothing is built or recorded: one
// pointer test per call.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "Host/HostObserver.h"

namespace Corvane::Tessory::Host {

class HostCalls {
  public:
    void setObserver(HostObserver* observer) { mObserver.store(observer); }
    HostObserver* observer() const { return mObserver.load(); }

    /// Tells the observer of one call, the line joined from parts (texts and numbers).
    template <typename... Parts>
    void log(const Parts&... parts) const {
        if (HostObserver* o = observer()) o->called(joined(parts...));
    }
    /// True when the observer fails this call; error receives its code.
    bool fault(std::string_view call, A_Err* error = nullptr) const {
        HostObserver* o = observer();
        return o && o->fails(call, error);
    }
    HostObserver::SuiteAnswer suite(std::string_view name) const {
        HostObserver* o = observer();
        return o ? o->suite(name) : HostObserver::SuiteAnswer::Offered;
    }
    /// Shows a text: to the observer when there is one, else on stderr.
    void show(std::string text) const;
    /// While observed, fresh memory holds a recognisable byte, so code that relies on it
    /// being zero shows up; the programs skip the pass over a frame-sized block.
    void markUncleared(void* data, size_t size) const;

  private:
    template <typename... Parts>
    static std::string joined(const Parts&... parts) {
        std::string line;
        (append(line, parts), ...);
        return line;
    }
    static void append(std::string& line, std::string_view text) { line += text; }
    static void append(std::string& line, const char* text) { line += text ? text : "(null)"; }
    template <typename Number>
    requires std::is_arithmetic_v<Number>
    static void append(std::string& line, Number n) { line += std::to_string(n); }

    std::atomic<HostObserver*> mObserver{nullptr};
};

}  // namespace Corvane::Tessory::Host
