#include "Helper/IdleQueue.h"

#include <utility>

#include "Helper/Semaphore.h"

namespace Corvane::Tessory {

IdleQueue::IdleQueue() : mQueueLock(std::make_unique<Semaphore>(1)) {}

IdleQueue::~IdleQueue() = default;

void IdleQueue::async(const Task& task) {
    mQueueLock->wait();
    mTasks.push_back(task);
    mQueueLock->signal();
}

bool IdleQueue::hasTask() {
    mQueueLock->wait();
    const bool pending = !mTasks.empty();
    mQueueLock->signal();
    return pending;
}

void IdleQueue::updateQueue() {
    if (!hasTask()) {
        return;
    }
    mQueueLock->wait();
    // Another consumer may have taken the last task since the check: then there is nothing
    // to run.
    if (mTasks.empty()) {
        mQueueLock->signal();
        return;
    }
    Task task = mTasks.front();
    mTasks.pop_front();
    mQueueLock->signal();
    task();
}

void IdleQueue::clearAsyncQueue() {
    std::deque<Task> dropped;
    mQueueLock->wait();
    dropped.swap(mTasks);
    mQueueLock->signal();
    // Destroyed outside the lock: a task's captures may themselves touch this queue.
}

}  // namespace Corvane::Tessory
