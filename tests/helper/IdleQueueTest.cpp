#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Helper/IdleQueue.h"

namespace Corvane::Tessory {
namespace {

// One task per update, in queue order; a task may queue another, which runs on a later
// update; clearing and destruction drop tasks (and what they hold) without running them.
TEST(IdleQueue, OneTaskPerUpdateInOrderAndDroppedTasksNeverRun) {
    auto token = std::make_shared<int>(0);
    std::vector<int> ran;
    {
        IdleQueue queue;
        queue.updateQueue();
        for (int i = 1; i <= 2; ++i) queue.async([&ran, i] { ran.push_back(i); });
        queue.async([&] {
            ran.push_back(3);
            queue.async([&ran] { ran.push_back(4); });
        });
        for (int update = 1; update <= 4; ++update) {
            EXPECT_TRUE(queue.hasTask());
            queue.updateQueue();
            EXPECT_EQ(ran.size(), static_cast<size_t>(update));
        }
        EXPECT_FALSE(queue.hasTask());
        EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));

        for (int i = 0; i < 3; ++i) queue.async([&ran, token] { ran.push_back(-1); });
        EXPECT_EQ(token.use_count(), 4);
        queue.clearAsyncQueue();
        EXPECT_EQ(token.use_count(), 1) << "cleared tasks must be destroyed";
        queue.updateQueue();
        queue.async([&ran, token] { ran.push_back(-1); });
    }
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(ran.size(), 4u);
}

TEST(IdleQueue, ConcurrentProducersLoseNoTaskAndKeepTheirOrder) {
    constexpr int kProducers = 8, kPerProducer = 2500;
    IdleQueue queue;
    std::vector<int> lastSeen(kProducers, -1);
    bool inOrder = true;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                // Tasks run only on the draining thread below, so they need no locking.
                queue.async([&, p, i] {
                    inOrder = inOrder && i == lastSeen[p] + 1;
                    lastSeen[p] = i;
                });
            }
        });
    }
    int ran = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ran < kProducers * kPerProducer && std::chrono::steady_clock::now() < deadline) {
        if (queue.hasTask()) {
            queue.updateQueue();
            ++ran;
        } else {
            std::this_thread::yield();
        }
    }
    for (std::thread& producer : producers) producer.join();
    EXPECT_EQ(ran, kProducers * kPerProducer);
    EXPECT_FALSE(queue.hasTask());
    EXPECT_EQ(lastSeen, std::vector<int>(kProducers, kPerProducer - 1));
    EXPECT_TRUE(inOrder);
}

}  // namespace
}  // namespace Corvane::Tessory
