// A counting semaphore with the operations the task queue needs, on standard C++ threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Corvane::Tessory {

/// Counting semaphore. A signal that finds threads waiting hands its count straight to the
/// most recent waiter, so waiters are woken last-in-first-out; a signal that finds nobody
/// waiting raises the count for the next `wait`. Every operation answers a result code
/// (`kSuccess` unless said otherwise).
/// Destroying a semaphore while threads wait on it is a programming error.
class Semaphore {
  public:
    static constexpr int kSuccess = 0;
    /// `signalAll` found no thread waiting; nothing changed.
    static constexpr int kNotWaiting = 1;

    explicit Semaphore(uint32_t initialCount);
    virtual ~Semaphore();

    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    /// Blocks until a count can be taken.
    int wait();
    /// Releases one waiter, or raises the count when nobody waits.
    int signal();
    /// Calls `signal` `count` times; nothing for 0.
    void signal(uint32_t count);
    /// Wakes every thread waiting at this moment; does not raise the count for later waiters.
    int signalAll();

    /// Threads currently inside `wait` (blocked, or granted and about to return).
    int64_t waiters() const { return mWaiters.load(); }

  private:
    // One blocked thread; lives on that thread's stack for the duration of its wait.
    struct Waiter {
        std::condition_variable wake;
        bool granted = false;
    };

    struct State {
        std::mutex mutex;
        uint32_t count = 0;
        // Most recent waiter at the back: it is the one the next signal releases.
        std::vector<Waiter*> blocked;
    };

    State mSemaphore;
    std::atomic<int64_t> mWaiters{0};
};

}  // namespace Corvane::Tessory
