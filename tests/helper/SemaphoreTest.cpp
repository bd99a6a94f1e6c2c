#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "Helper/Semaphore.h"
#include "Wait.h"

namespace Corvane::Tessory {
namespace {

using Testing::waitUntil;

// Threads that each wait once and record their tag in the order they pass. The destructor
// releases whoever is still blocked, so a failing test ends instead of hanging in join.
class Waiters {
  public:
    explicit Waiters(Semaphore& semaphore) : mSemaphore(semaphore) {}
    ~Waiters() {
        while (passed() < static_cast<int>(mThreads.size())) {
            mSemaphore.signalAll();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (std::thread& thread : mThreads) thread.join();
    }

    // Starts one waiter and returns once it is blocked.
    bool start(int tag) {
        const int64_t before = mSemaphore.waiters();
        mThreads.emplace_back([this, tag] {
            const int result = mSemaphore.wait();
            std::lock_guard lock(mMutex);
            mOrder.push_back(result == Semaphore::kSuccess ? tag : -1);
        });
        return waitUntil([&] { return mSemaphore.waiters() == before + 1; });
    }
    int passed() {
        std::lock_guard lock(mMutex);
        return static_cast<int>(mOrder.size());
    }
    // True when exactly n have passed and no more follow within a moment.
    bool settlesAt(int n) {
        return waitUntil([&] { return passed() == n; }) &&
               !waitUntil([&] { return passed() != n; }, std::chrono::milliseconds(100));
    }
    std::vector<int> order() {
        std::lock_guard lock(mMutex);
        return mOrder;
    }

  private:
    Semaphore& mSemaphore;
    std::vector<std::thread> mThreads;
    std::mutex mMutex;
    std::vector<int> mOrder;
};

TEST(Semaphore, CountsSignalsAndReleasesExactlyThatManyMostRecentFirst) {
    Semaphore semaphore(2);
    semaphore.signal(3);  // kept for later waits
    for (int i = 0; i < 5; ++i) EXPECT_EQ(semaphore.wait(), Semaphore::kSuccess);
    EXPECT_EQ(semaphore.waiters(), 0);

    Waiters waiters(semaphore);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(waiters.start(i));
    EXPECT_TRUE(waiters.settlesAt(0));
    semaphore.signal(0u);
    EXPECT_TRUE(waiters.settlesAt(0));
    semaphore.signal(3u);
    EXPECT_TRUE(waiters.settlesAt(3));
    EXPECT_EQ(semaphore.waiters(), 2);
    semaphore.signal();
    EXPECT_TRUE(waiters.settlesAt(4));
    semaphore.signal();
    EXPECT_TRUE(waiters.settlesAt(5));
    // The first three went together in any order; then the older two, newest first.
    const std::vector<int> order = waiters.order();
    EXPECT_EQ(std::vector<int>(order.begin() + 3, order.end()), (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace Corvane::Tessory
