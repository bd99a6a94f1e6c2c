#pragma once
// A fixed-capacity hand-over between two threads: the producer waits while it is full, the
// consumer while it is empty. close() ends the stream; abort() also drops what is queued,
// so a side that failed can release the other at once.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace Corvane::Tessory::Cli {

template <typename T>
class BoundedQueue {
  public:
    explicit BoundedQueue(size_t capacity) : mCapacity(capacity ? capacity : 1) {}

    // False when the queue was closed or aborted; the item is then dropped.
    bool push(T item) {
        std::unique_lock lock(mMutex);
        mNotFull.wait(lock, [&] { return mItems.size() < mCapacity || mClosed; });
        if (mClosed) return false;
        mItems.push_back(std::move(item));
        mNotEmpty.notify_one();
        return true;
    }

    // False once the queue is closed and drained (or aborted).
    bool pop(T& item) {
        std::unique_lock lock(mMutex);
        mNotEmpty.wait(lock, [&] { return !mItems.empty() || mClosed; });
        if (mItems.empty()) return false;
        item = std::move(mItems.front());
        mItems.pop_front();
        mNotFull.notify_one();
        return true;
    }

    void close() {
        std::lock_guard lock(mMutex);
        mClosed = true;
        mNotEmpty.notify_all();
        mNotFull.notify_all();
    }

    void abort() {
        std::lock_guard lock(mMutex);
        mClosed = true;
        mItems.clear();
        mNotEmpty.notify_all();
        mNotFull.notify_all();
    }

  private:
    size_t mCapacity;
    std::mutex mMutex;
    std::condition_variable mNotFull, mNotEmpty;
    std::deque<T> mItems;
    bool mClosed = false;
};

}  // namespace Corvane::Tessory::Cli
