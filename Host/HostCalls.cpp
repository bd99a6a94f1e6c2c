#include "Host/HostCalls.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace Corvane::Tessory::Host {

void HostCalls::show(std::string text) const {
    if (HostObserver* o = observer()) {
        o->shown(std::move(text));
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

void HostCalls::markUncleared(void* data, size_t size) const {
    constexpr uint8_t kUnclearedByte = 0xCD;
    if (observer()) std::memset(data, kUnclearedByte, size);
}

}  // namespace Corvane::Tessory::Host
