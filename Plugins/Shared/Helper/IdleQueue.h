// Deferred tasks queued from any thread and run one at a time by the queue's owner.
#pragma once

#include <deque>
#include <functional>
#include <memory>

namespace Corvane::Tessory {

class Semaphore;

/// First-in-first-out queue of tasks. Any thread may `async`; a single owner thread drains
/// it with `updateQueue`, one task per call, for instance at idle time. The lock is never
/// held while a task runs, so a task may queue further work.
class IdleQueue {
  public:
    using Task = std::function<void()>;

    IdleQueue();
    /// Pending tasks are destroyed without running.
    virtual ~IdleQueue();

    IdleQueue(const IdleQueue&) = delete;
    IdleQueue& operator=(const IdleQueue&) = delete;

    /// Appends a copy of the task.
    void async(const Task& task);
    bool hasTask();
    /// Runs the oldest task, if any, on the calling thread. An empty task throws
    /// std::bad_function_call.
    void updateQueue();
    /// Drops every pending task without running it.
    void clearAsyncQueue();

  private:
    // A binary semaphore used as the lock for mTasks.
    std::unique_ptr<Semaphore> mQueueLock;
    std::deque<Task> mTasks;
};

}  // namespace Corvane::Tessory
