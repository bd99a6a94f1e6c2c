// The thread pool the CPU renderer splits frames over.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Helper/WorkerPool.h"

namespace Corvane::Tessory {
namespace {

// Every item runs exactly once per job, on a worker index within range, also when several
// threads submit jobs at once (a busy pool runs the late caller's items on that caller).
TEST(WorkerPoolTest, EveryItemOnceWithinWorkerRangeUnderConcurrentCallers) {
    WorkerPool pool(3);
    ASSERT_EQ(pool.workers(), 3);
    constexpr int kItems = 200;
    std::vector<std::thread> callers;
    std::atomic<int> failures{0};
    for (int c = 0; c < 4; ++c) {
        callers.emplace_back([&] {
            for (int round = 0; round < 50; ++round) {
                std::vector<std::atomic<int>> runs(kItems);
                pool.run(kItems, [&](int item, int worker) {
                    if (worker < 0 || worker >= pool.workers()) ++failures;
                    ++runs[static_cast<size_t>(item)];
                });
                for (const auto& n : runs) failures += n.load() != 1;
            }
        });
    }
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace Corvane::Tessory
