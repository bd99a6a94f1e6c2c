// Frames from eight host threads in turn, one at a time, across repeated tear-downs and
// set-ups: every thread gets a usable context every time, the one it had before a
// tear-down included, and a tear-down leaves no context and no shared GL object alive.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "GLObserver.h"
#include "ReliabilityFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

// A thread that lives across the whole test and runs one job at a time on request.
class Worker {
  public:
    Worker() : mThread([this] { loop(); }) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mQuit = true;
        }
        mWake.notify_all();
        mThread.join();
    }
    /// Runs job on this worker and waits for it.
    void run(std::function<void()> job) {
        std::unique_lock<std::mutex> lock(mMutex);
        mJob = std::move(job);
        mWake.notify_all();
        mDone.wait(lock, [this] { return !mJob; });
    }

  private:
    void loop() {
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;) {
            mWake.wait(lock, [this] { return mQuit || mJob; });
            if (mQuit) return;
            mJob();
            mJob = nullptr;
            mDone.notify_all();
        }
    }
    std::mutex mMutex;
    std::condition_variable mWake, mDone;
    std::function<void()> mJob;
    bool mQuit = false;
    std::thread mThread;
};

using ReliabilityThreads = ReliabilityTest;

TEST_F(ReliabilityThreads, EightThreadsInTurnAcrossTearDownsEachGetAUsableContext) {
    constexpr int kThreads = 8;
    const int rounds = static_cast<int>(environmentCount("TESSORY_THREAD_ROUNDS", 3));
    // Each thread's frame differs, so a frame that shows another thread's result is seen.
    auto place = [&](int t) {
        smallScene(1 + t % 8);
        set("Shape Center", 8 + 4 * t, 10 + t);
    };
    std::vector<Host::Layer> golden;
    for (int t = 0; t < kThreads; ++t) {
        place(t);
        golden.emplace_back(48, 32);
        ASSERT_EQ(frame(48, 32, golden.back()), PF_Err_NONE);
    }
    std::vector<std::unique_ptr<Worker>> workers;
    for (int t = 0; t < kThreads; ++t) workers.push_back(std::make_unique<Worker>());

    for (int round = 0; round < rounds; ++round) {
        EGLContextProbe::clear();
        std::set<void*> hostContexts;
        for (int t = 0; t < kThreads; ++t) {
            place(t);
            workers[t]->run([&] {
                const std::string where =
                    "round " + std::to_string(round) + " thread " + std::to_string(t);
                hostContexts.insert(host.hostContext());
                Host::Layer out(48, 32);
                EXPECT_EQ(frame(48, 32, out), PF_Err_NONE) << where;
                EXPECT_TRUE(hostContextCurrent()) << where;
                EXPECT_EQ(maxDifference(golden[t], out), 0) << where;
            });
        }
        // Each thread made a render context of its own this round, after the tear-down
        // that ended the last one.
        std::set<void*> made;
        for (void* c : EGLContextProbe::created())
            if (!hostContexts.count(c)) made.insert(c);
        EXPECT_EQ(made.size(), size_t(kThreads)) << "round " << round;

        ASSERT_EQ(effect.globalSetdown(), PF_Err_NONE);
        EXPECT_TRUE(hostContextCurrent());
        const std::vector<void*> gone = EGLContextProbe::destroyed();
        for (void* c : made)
            EXPECT_NE(std::find(gone.begin(), gone.end(), c), gone.end())
                << "round " << round << ": a render context outlived the tear-down";
        for (void* c : hostContexts)
            EXPECT_EQ(std::find(gone.begin(), gone.end(), c), gone.end())
                << "round " << round << ": a host context was destroyed";
        EXPECT_EQ(GLObserver::total(), 0) << GLObserver::describe();
        ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
        EXPECT_TRUE(hostContextCurrent());
    }
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
