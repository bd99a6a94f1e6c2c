// An allocation that fails inside the plug-in: while armed, the nth operator new called
// from the plug-in module's own code throws std::bad_alloc. Allocations of the host, the
// test and the libraries (the GL driver's compiler among them) go through untouched. Not in
// the sanitizer build, which keeps its own operator new.
#pragma once

namespace Corvane::Tessory::Testing {

class AllocationFailure {
  public:
    /// moduleAddress is any address inside the module (its entry point will do).
    AllocationFailure(const void* moduleAddress, int nth);
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    /// True once the failure was delivered.
    bool fired() const;
};

}  // namespace Corvane::Tessory::Testing
