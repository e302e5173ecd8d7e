// Pixel formats and WGL rendering contexts on Linux, made of EGL objects on the
// rendering display: a pixel format is an EGL config (its index is the
// config's id), a window with a pixel format has a pbuffer of its size, and a
// rendering context is a desktop OpenGL compatibility context. Each context
// remembers the thread it is current on, because WGL refuses to delete a
// context that is current on another thread and EGL cannot say which one is.
#include <thread>
#include <vector>

#include "platform/ThreadGLContext.h"
#include "platform/linux/LinuxWindowSystem.h"
#include "platform/ProcessLifetime.h"

namespace win32 {

struct OpaqueRenderingContext {
    EGLContext context;
    std::thread::id currentThread;
};

namespace {

// The rendering context current on this thread, if it is one of ours.
thread_local HGLRC threadContext = nullptr;

EGLint configAttribute(EGLDisplay display, EGLConfig config, EGLint attribute) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, attribute, &value);
    return value;
}

EGLConfig configById(EGLDisplay display, int id) {
    const EGLint attributes[] = {EGL_CONFIG_ID, id, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return nullptr;
    return config;
}

// Detaches whatever context the calling thread has. EGL releases the context
// of the thread's bound API, so the API is bound first.
void detachThread(EGLDisplay display) {
    if (display != EGL_NO_DISPLAY) {
        eglBindAPI(EGL_OPENGL_API);
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    if (threadContext != nullptr)
        threadContext->currentThread = std::thread::id();
    threadContext = nullptr;
}

}  // namespace

int ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor) {
    const EGLDisplay display = detail::renderingDisplay();
    if (deviceContext == nullptr || descriptor == nullptr || display == EGL_NO_DISPLAY)
        return 0;
    // 32 colour bits mean eight bits per channel, alpha included.
    const EGLint alphaBits = descriptor->cAlphaBits != 0    ? descriptor->cAlphaBits
                             : descriptor->cColorBits >= 32 ? 8
                                                            : 0;
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_ALPHA_SIZE,
                                 alphaBits,
                                 EGL_DEPTH_SIZE,
                                 descriptor->cDepthBits,
                                 EGL_STENCIL_SIZE,
                                 descriptor->cStencilBits,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1)
        return 0;
    std::vector<EGLConfig> configs(count);
    eglChooseConfig(display, attributes, configs.data(), count, &count);
    // EGL ranks deeper colour first; the engine's formats have eight-bit channels.
    for (EGLint i = 0; i < count; ++i) {
        if (configAttribute(display, configs[i], EGL_RED_SIZE) == 8 &&
            configAttribute(display, configs[i], EGL_GREEN_SIZE) == 8 &&
            configAttribute(display, configs[i], EGL_BLUE_SIZE) == 8)
            return configAttribute(display, configs[i], EGL_CONFIG_ID);
    }
    return 0;
}

BOOL SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR*) {
    const EGLDisplay display = detail::renderingDisplay();
    if (deviceContext == nullptr || display == EGL_NO_DISPLAY)
        return FALSE;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    HWND window = deviceContext->window;
    const EGLConfig config = configById(display, format);
    if (window->config != nullptr || config == nullptr)
        return FALSE;
    const EGLint size[] = {EGL_WIDTH, window->width, EGL_HEIGHT, window->height, EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE)
        return FALSE;
    window->config = config;
    window->surface = surface;
    return TRUE;
}

HGLRC wglCreateContext(HDC deviceContext) {
    const EGLDisplay display = detail::renderingDisplay();
    if (deviceContext == nullptr || display == EGL_NO_DISPLAY)
        return nullptr;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    const EGLConfig config = deviceContext->window->config;
    if (config == nullptr)
        return nullptr;
    eglBindAPI(EGL_OPENGL_API);
    // The newest compatibility profile first; a driver without it still gives
    // its default context, which is a compatibility one as well.
    const EGLint compatibility45[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      4,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      5,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                      EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, compatibility45);
    if (context == EGL_NO_CONTEXT)
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return nullptr;
    auto* renderingContext = new OpaqueRenderingContext{context, std::thread::id()};
    keptForProcess(renderingContext);
    return renderingContext;
}

BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderingContext) {
    const EGLDisplay display = detail::renderingDisplay();
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    if (renderingContext == nullptr) {
        detachThread(display);
        return TRUE;
    }
    if (deviceContext == nullptr || deviceContext->window->surface == EGL_NO_SURFACE)
        return FALSE;
    const EGLSurface surface = deviceContext->window->surface;
    eglBindAPI(EGL_OPENGL_API);
    // EGL refuses (EGL_BAD_ACCESS) a context that is current on another thread.
    if (!eglMakeCurrent(display, surface, surface, renderingContext->context))
        return FALSE;
    if (threadContext != nullptr && threadContext != renderingContext)
        threadContext->currentThread = std::thread::id();
    renderingContext->currentThread = std::this_thread::get_id();
    threadContext = renderingContext;
    return TRUE;
}

BOOL wglDeleteContext(HGLRC renderingContext) {
    const EGLDisplay display = detail::renderingDisplay();
    if (renderingContext == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    if (renderingContext->currentThread != std::thread::id() &&
        renderingContext->currentThread != std::this_thread::get_id())
        return FALSE;
    if (renderingContext == threadContext)
        detachThread(display);
    eglDestroyContext(display, renderingContext->context);
    delete renderingContext;
    return TRUE;
}

BOOL SwapBuffers(HDC deviceContext) {
    const EGLDisplay display = detail::renderingDisplay();
    if (deviceContext == nullptr || deviceContext->window->surface == EGL_NO_SURFACE)
        return FALSE;
    const EGLSurface surface = deviceContext->window->surface;
    // A pbuffer has nothing to present; EGL only accepts the swap from the
    // thread that draws into it, where it finishes the frame.
    if (eglGetCurrentSurface(EGL_DRAW) != surface)
        return TRUE;
    return eglSwapBuffers(display, surface) ? TRUE : FALSE;
}

}  // namespace win32

// The thread's context is EGL's, which may be one the host made on any
// display and for any API; the engine's is one of win32's.
ThreadGLContext ThreadGLContext::current() {
    ThreadGLContext saved;
    saved.api_ = eglQueryAPI();
    saved.context_ = eglGetCurrentContext();
    if (saved.context_ != EGL_NO_CONTEXT) {
        saved.display_ = eglGetCurrentDisplay();
        saved.draw_ = eglGetCurrentSurface(EGL_DRAW);
        saved.read_ = eglGetCurrentSurface(EGL_READ);
    }
    return saved;
}

bool ThreadGLContext::is(win32::HGLRC context) const {
    return context != nullptr && context_ != nullptr && context->context == context_;
}

void ThreadGLContext::restore() const {
    const EGLDisplay display = win32::detail::renderingDisplay();
    std::lock_guard<std::mutex> lock(win32::detail::windowSystemMutex());
    if (none()) {
        win32::detachThread(display);
        return;
    }
    eglBindAPI(api_);
    if (!eglMakeCurrent(display_, draw_, read_, context_))
        win32::detachThread(display);
    // Whatever it is, it is not one of the engine's contexts any more.
    if (win32::threadContext != nullptr && !is(win32::threadContext)) {
        win32::threadContext->currentThread = std::thread::id();
        win32::threadContext = nullptr;
    }
}
