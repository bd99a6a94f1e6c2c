#include "GL/AEOpenGLContextManager.h"

#include "GL/AEOpenGLContext.h"

namespace Corvane::Tessory {
namespace {
thread_local int32_t mThread = -1;
}

std::atomic<int32_t> AEOpenGLContextManager::mContextCount{0};
std::map<int32_t, AEOpenGLContext*> AEOpenGLContextManager::mRenderContexts;
AEOpenGLContext* AEOpenGLContextManager::mSharedDataContext = nullptr;
std::recursive_mutex AEOpenGLContextManager::mMutex;

void AEOpenGLContextManager::setupContextManager() {
    delete mSharedDataContext;
    mSharedDataContext = new AEOpenGLContext(nullptr);
}

AEOpenGLContext* AEOpenGLContextManager::getSharedDataContext() {
    return mSharedDataContext;
}

AEOpenGLContext* AEOpenGLContextManager::getCurrentRenderContext() {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    if (mThread == -1) {
        mThread = mContextCount.fetch_add(1);
    }
    AEOpenGLContext*& context = mRenderContexts[mThread];
    if (!context) {
        context = new AEOpenGLContext(mSharedDataContext);
    }
    return context;
}

void AEOpenGLContextManager::releaseContextManager() {
    for (auto& [number, context] : mRenderContexts) {
        delete context;
    }
    mRenderContexts.clear();
    delete mSharedDataContext;
    mSharedDataContext = nullptr;
}

size_t AEOpenGLContextManager::renderContextCount() {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return mRenderContexts.size();
}

int32_t AEOpenGLContextManager::currentThreadNumber() {
    return mThread;
}

}  // namespace Corvane::Tessory
