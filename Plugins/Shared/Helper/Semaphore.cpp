#include "Helper/Semaphore.h"

namespace Corvane::Tessory {

Semaphore::Semaphore(uint32_t initialCount) {
    mSemaphore.count = initialCount;
}

Semaphore::~Semaphore() = default;

int Semaphore::wait() {
    std::unique_lock lock(mSemaphore.mutex);
    // Counted under the lock so that a reader seeing N waiters knows all N are registered
    // below and will be reached by signalAll.
    ++mWaiters;
    if (mSemaphore.count > 0) {
        --mSemaphore.count;
    } else {
        Waiter self;
        mSemaphore.blocked.push_back(&self);
        self.wake.wait(lock, [&self] { return self.granted; });
    }
    --mWaiters;
    return kSuccess;
}

int Semaphore::signal() {
    std::lock_guard lock(mSemaphore.mutex);
    if (mSemaphore.blocked.empty()) {
        ++mSemaphore.count;
        return kSuccess;
    }
    Waiter* next = mSemaphore.blocked.back();
    mSemaphore.blocked.pop_back();
    next->granted = true;
    // Notified under the lock: the waiter cannot leave (and destroy its condition variable)
    // before the lock is released.
    next->wake.notify_one();
    return kSuccess;
}

void Semaphore::signal(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        signal();
    }
}

int Semaphore::signalAll() {
    std::lock_guard lock(mSemaphore.mutex);
    if (mSemaphore.blocked.empty()) {
        return kNotWaiting;
    }
    for (Waiter* waiter : mSemaphore.blocked) {
        waiter->granted = true;
        waiter->wake.notify_one();
    }
    mSemaphore.blocked.clear();
    return kSuccess;
}

}  // namespace Corvane::Tessory
