#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "Helper/Semaphore.h"
#include "Wait.h"

namespace Corvane::Tessory {
namespace {

using Testing::waitUntil;

// Threads that each wait once on a semaphore and count themselves through. The destructor
// releases whoever is still blocked, so a failing test ends instead of hanging in join.
class Waiters {
  public:
    explicit Waiters(Semaphore& semaphore) : mSemaphore(semaphore) {}
    ~Waiters() {
        for (int tries = 0; tries < 50 && mPassed.load() < static_cast<int>(mThreads.size());
             ++tries) {
            mSemaphore.signal(static_cast<uint32_t>(mThreads.size()));
            waitUntil([&] { return mPassed.load() == static_cast<int>(mThreads.size()); },
                      std::chrono::milliseconds(100));
        }
        for (std::thread& thread : mThreads) {
            thread.join();
        }
    }

    // Starts one waiter with the given tag and returns once it is blocked.
    bool start(int tag) {
        const int64_t before = mSemaphore.waiters();
        mThreads.emplace_back([this, tag] {
            const int result = mSemaphore.wait();
            std::lock_guard lock(mOrderMutex);
            results.push_back(result);
            mOrder.push_back(tag);
            ++mPassed;
        });
        return waitUntil([&] { return mSemaphore.waiters() == before + 1; });
    }

    int passed() const { return mPassed.load(); }
    std::vector<int> order() {
        std::lock_guard lock(mOrderMutex);
        return mOrder;
    }

    // Filled by the waiters; read only after they passed.
    std::vector<int> results;

  private:
    Semaphore& mSemaphore;
    std::vector<std::thread> mThreads;
    std::atomic<int> mPassed{0};
    std::mutex mOrderMutex;
    std::vector<int> mOrder;
};

// Gives a wrongly released extra waiter a moment to show up; a correct semaphore passes
// this at once.
bool staysAt(const Waiters& waiters, int passed) {
    return !waitUntil([&] { return waiters.passed() != passed; }, std::chrono::milliseconds(100));
}

TEST(Semaphore, InitialCountIsTakenWithoutBlockingThenWaitBlocks) {
    Semaphore semaphore(2);
    EXPECT_EQ(semaphore.wait(), Semaphore::kSuccess);
    EXPECT_EQ(semaphore.wait(), Semaphore::kSuccess);
    EXPECT_EQ(semaphore.waiters(), 0);

    Waiters waiters(semaphore);
    ASSERT_TRUE(waiters.start(0));
    EXPECT_TRUE(staysAt(waiters, 0));
    EXPECT_EQ(semaphore.signal(), Semaphore::kSuccess);
    EXPECT_TRUE(waitUntil([&] { return waiters.passed() == 1; }));
    EXPECT_EQ(semaphore.waiters(), 0);
}

TEST(Semaphore, SignalWithoutWaitersIsKeptForTheNextWait) {
    Semaphore semaphore(0);
    semaphore.signal(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(semaphore.wait(), Semaphore::kSuccess);
    }
    Waiters waiters(semaphore);
    ASSERT_TRUE(waiters.start(0));
    EXPECT_TRUE(staysAt(waiters, 0));
}

TEST(Semaphore, SignalCountReleasesExactlyThatManyWaiters) {
    Semaphore semaphore(0);
    Waiters waiters(semaphore);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(waiters.start(i));
    }

    semaphore.signal(0u);
    EXPECT_TRUE(staysAt(waiters, 0));
    EXPECT_EQ(semaphore.waiters(), 5);

    semaphore.signal(3u);
    EXPECT_TRUE(waitUntil([&] { return waiters.passed() == 3; }));
    EXPECT_TRUE(staysAt(waiters, 3));
    EXPECT_EQ(semaphore.waiters(), 2);

    semaphore.signal(2u);
    EXPECT_TRUE(waitUntil([&] { return waiters.passed() == 5; }));
    EXPECT_EQ(semaphore.waiters(), 0);
}

TEST(Semaphore, WakesTheMostRecentWaiterFirst) {
    Semaphore semaphore(0);
    Waiters waiters(semaphore);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(waiters.start(i));
    }
    for (int released = 1; released <= 4; ++released) {
        semaphore.signal();
        ASSERT_TRUE(waitUntil([&] { return waiters.passed() == released; }));
    }
    EXPECT_EQ(waiters.order(), (std::vector<int>{3, 2, 1, 0}));
}

TEST(Semaphore, SignalAllWakesCurrentWaitersOnlyAndKeepsNoCount) {
    Semaphore semaphore(0);
    EXPECT_EQ(semaphore.signalAll(), Semaphore::kNotWaiting);

    Waiters waiters(semaphore);
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(waiters.start(i));
    }
    EXPECT_EQ(semaphore.signalAll(), Semaphore::kSuccess);
    EXPECT_TRUE(waitUntil([&] { return waiters.passed() == 6; }));
    EXPECT_EQ(semaphore.waiters(), 0);
    for (int result : waiters.results) {
        EXPECT_EQ(result, Semaphore::kSuccess);
    }

    // Neither call raised the count: a later waiter blocks.
    Waiters late(semaphore);
    ASSERT_TRUE(late.start(0));
    EXPECT_TRUE(staysAt(late, 0));
}

TEST(Semaphore, BinarySemaphoreExcludesConcurrentHolders) {
    Semaphore lock(1);
    int inside = 0;
    int most = 0;
    long total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                lock.wait();
                most = std::max(most, ++inside);
                ++total;
                --inside;
                lock.signal();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(most, 1);
    EXPECT_EQ(total, 8 * 2000);
}

}  // namespace
}  // namespace Corvane::Tessory
