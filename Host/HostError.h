// Failures of the host runtime itself: a module that cannot be loaded, misuse of the API.
#pragma once

#include <stdexcept>
#include <string>

namespace Corvane::Tessory::Host {

class HostError : public std::runtime_error {
  public:
    explicit HostError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace Corvane::Tessory::Host
