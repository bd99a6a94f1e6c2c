// One render context per host thread, all sharing objects with one shared data context.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

namespace Corvane::Tessory {

class AEOpenGLContext;

class AEOpenGLContextManager {
  public:
    AEOpenGLContextManager() = delete;

    /// Creates the shared data context and leaves it current. A previous one is deleted
    /// first, so set-up twice does not leak a context.
    static void setupContextManager();
    /// The shared data context; null before set-up and after release.
    static AEOpenGLContext* getSharedDataContext();
    /// The calling thread's render context, created (and left current) on the thread's
    /// first call. Thread numbers count 0, 1, 2... in order of first call and are never
    /// reused; a thread whose context was released gets a new one under its old number.
    static AEOpenGLContext* getCurrentRenderContext();
    /// Deletes every render context (ascending thread number) and the shared data context.
    static void releaseContextManager();

    /// Render contexts alive now.
    static size_t renderContextCount();
    /// This thread's number, -1 before its first render context.
    static int32_t currentThreadNumber();

  private:
    static std::atomic<int32_t> mContextCount;
    static std::map<int32_t, AEOpenGLContext*> mRenderContexts;
    static AEOpenGLContext* mSharedDataContext;
    static std::recursive_mutex mMutex;
};

}  // namespace Corvane::Tessory
