#include "Helper/WorkerPool.h"

#include <algorithm>

namespace Corvane::Tessory {

WorkerPool::WorkerPool(unsigned threads) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    mThreads.reserve(threads - 1);
    for (unsigned i = 1; i < threads; ++i) {
        mThreads.emplace_back([this, i] { work(static_cast<int>(i)); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStop = true;
    }
    mWake.notify_all();
    for (std::thread& t : mThreads) t.join();
}

void WorkerPool::run(int count, const Job& job) {
    if (count <= 0) return;
    std::unique_lock<std::mutex> busy(mBusy, std::try_to_lock);
    if (!busy.owns_lock() || mThreads.empty() || count == 1) {
        for (int i = 0; i < count; ++i) job(i, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mJob = &job;
        mNext = 0;
        mCount = count;
        mActive = 1;
        ++mGeneration;
    }
    mWake.notify_all();
    drain(0);
    std::unique_lock<std::mutex> lock(mMutex);
    // Every item is taken; wait for the threads still running one, then forget the job.
    mDone.wait(lock, [this] { return mActive == 0; });
    mJob = nullptr;
}

void WorkerPool::drain(int worker) {
    std::unique_lock<std::mutex> lock(mMutex);
    while (mNext < mCount) {
        const int item = mNext++;
        lock.unlock();
        (*mJob)(item, worker);
        lock.lock();
    }
    if (--mActive == 0) mDone.notify_all();
}

void WorkerPool::work(int worker) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
        mWake.wait(lock, [&] { return mStop || (mGeneration != seen && mJob); });
        if (mStop) return;
        seen = mGeneration;
        ++mActive;
        lock.unlock();
        drain(worker);
        lock.lock();
    }
}

}  // namespace Corvane::Tessory
