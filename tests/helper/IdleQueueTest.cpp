#include <gtest/gtest.h>

#include <memory>
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

}  // namespace
}  // namespace Corvane::Tessory
