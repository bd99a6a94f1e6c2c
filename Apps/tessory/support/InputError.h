#pragma once
// A problem with what the user asked for (a file, an option, a value): reported as one line
// and exit status 2, unlike faults of the program itself.
#include <stdexcept>
#include <string>

namespace Corvane::Tessory::Cli {

class InputError : public std::runtime_error {
  public:
    explicit InputError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace Corvane::Tessory::Cli
