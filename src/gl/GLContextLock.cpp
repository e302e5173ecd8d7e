#include "gl/GLContextLock.h"

#include <atomic>

#include "gl/OpenGLContext.h"

namespace {

std::atomic<OpenGLContext*> registeredContext{nullptr};

}  // namespace

void registerGLContext(OpenGLContext* context) {
    registeredContext = context;
}

OpenGLContext* registeredGLContext() {
    return registeredContext;
}

bool lockGLContext(OpenGLContext* context) {
    if (context == nullptr || context->makeCurrent() != 0)
        return false;
    return context->waitLock();
}

void unlockGLContext(OpenGLContext* context) {
    if (context == nullptr)
        return;
    win32::ReleaseMutex(context->mutex);
    context->releaseCurrent();
}

bool lockGLContext() {
    return lockGLContext(registeredGLContext());
}

void unlockGLContext() {
    unlockGLContext(registeredGLContext());
}
