#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Helper/IdleQueue.h"
#include "Wait.h"

namespace Corvane::Tessory {
namespace {

TEST(IdleQueue, RunsOneTaskPerUpdateInQueueOrder) {
    IdleQueue queue;
    std::vector<int> ran;
    queue.updateQueue();  // empty: nothing to run, returns at once
    EXPECT_FALSE(queue.hasTask());

    for (int i = 1; i <= 3; ++i) {
        queue.async([&ran, i] { ran.push_back(i); });
    }
    EXPECT_TRUE(queue.hasTask());
    queue.updateQueue();
    EXPECT_EQ(ran, (std::vector<int>{1}));
    queue.updateQueue();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    queue.updateQueue();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(queue.hasTask());
    queue.updateQueue();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(IdleQueue, TaskMayQueueAnotherWhichRunsOnALaterUpdate) {
    // The queue is drained on a helper thread so that a deadlock inside async fails the test
    // instead of hanging it; the state is shared so that a stuck thread can be left behind.
    struct Shared {
        IdleQueue queue;
        std::vector<std::string> ran;
        std::atomic<bool> done{false};
    };
    auto shared = std::make_shared<Shared>();
    std::thread owner([shared] {
        shared->queue.async([s = shared.get()] {
            s->ran.push_back("outer");
            s->queue.async([s] { s->ran.push_back("inner"); });
            s->ran.push_back(s->queue.hasTask() ? "queued" : "lost");
        });
        shared->queue.updateQueue();
        shared->done = true;
    });
    if (!Testing::waitUntil([&] { return shared->done.load(); })) {
        owner.detach();
        FAIL() << "a task queueing work deadlocked the queue";
    }
    owner.join();

    EXPECT_EQ(shared->ran, (std::vector<std::string>{"outer", "queued"}));
    shared->queue.updateQueue();
    EXPECT_EQ(shared->ran, (std::vector<std::string>{"outer", "queued", "inner"}));
    EXPECT_FALSE(shared->queue.hasTask());
}

TEST(IdleQueue, ClearAndDestructionDropTasksWithoutRunningThem) {
    int ran = 0;
    auto token = std::make_shared<int>(0);
    {
        IdleQueue queue;
        for (int i = 0; i < 3; ++i) {
            queue.async([&ran, token] { ++ran; });
        }
        EXPECT_EQ(token.use_count(), 4);
        queue.clearAsyncQueue();
        EXPECT_FALSE(queue.hasTask());
        EXPECT_EQ(token.use_count(), 1) << "cleared tasks must be destroyed";
        queue.updateQueue();
        EXPECT_EQ(ran, 0);

        // The queue works as before after a clear.
        queue.async([&ran] { ran += 10; });
        queue.updateQueue();
        EXPECT_EQ(ran, 10);

        queue.async([&ran, token] { ++ran; });
        EXPECT_EQ(token.use_count(), 2);
    }
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(ran, 10);
}

TEST(IdleQueue, ConcurrentProducersLoseNoTask) {
    constexpr int kProducers = 8;
    constexpr int kPerProducer = 2500;
    IdleQueue queue;
    std::atomic<int> queued{0};
    std::vector<int> perProducer(kProducers, 0);
    std::vector<int> lastSeen(kProducers, -1);
    bool inOrder = true;

    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                // Tasks run only on the draining thread below, so they need no locking.
                queue.async([&, p, i] {
                    ++perProducer[p];
                    inOrder = inOrder && i == lastSeen[p] + 1;
                    lastSeen[p] = i;
                });
                ++queued;
            }
        });
    }

    // The single consumer drains while the producers are still queueing.
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
    for (std::thread& producer : producers) {
        producer.join();
    }

    EXPECT_EQ(queued.load(), kProducers * kPerProducer);
    EXPECT_EQ(ran, kProducers * kPerProducer);
    EXPECT_FALSE(queue.hasTask());
    for (int p = 0; p < kProducers; ++p) {
        EXPECT_EQ(perProducer[p], kPerProducer) << "producer " << p;
    }
    EXPECT_TRUE(inOrder) << "one producer's tasks ran out of order";
}

}  // namespace
}  // namespace Corvane::Tessory
