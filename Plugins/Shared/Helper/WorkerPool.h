// A fixed set of threads that split one job's items between them and the caller.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace Corvane::Tessory {

class WorkerPool {
  public:
    /// fn(item, worker): worker is in [0, workers()) and no two calls running at the same
    /// time share one, so it can index per-worker scratch space.
    using Job = std::function<void(int item, int worker)>;

    /// Starts threads - 1 threads (the caller of run is the last worker); 0 means one per
    /// hardware thread.
    explicit WorkerPool(unsigned threads = 0);
    /// Joins every thread. No job may be running.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int workers() const { return static_cast<int>(mThreads.size()) + 1; }

    /// Runs job for every item in [0, count) and returns when all have run. One job runs
    /// on the pool at a time: a caller that finds it busy runs its items itself, as worker
    /// 0. The job must not throw.
    void run(int count, const Job& job);

  private:
    void work(int worker);
    // Takes items of the current job until none is left.
    void drain(int worker);

    std::vector<std::thread> mThreads;
    std::mutex mBusy;  // held by the caller of run for the whole job
    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mDone;
    const Job* mJob = nullptr;
    uint64_t mGeneration = 0;
    int mNext = 0;
    int mCount = 0;
    int mActive = 0;  // threads inside drain for the current job
    bool mStop = false;
};

}  // namespace Corvane::Tessory
