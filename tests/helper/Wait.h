// Bounded waiting for threaded tests: a condition that never comes true fails the test
// instead of hanging it.
#pragma once

#include <chrono>
#include <thread>

namespace Corvane::Tessory::Testing {

inline constexpr std::chrono::seconds kPatience{10};

/// Polls until pred() holds or the patience runs out; returns the last value of pred().
template <typename Pred>
bool waitUntil(Pred pred, std::chrono::milliseconds patience = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return pred();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace Corvane::Tessory::Testing
