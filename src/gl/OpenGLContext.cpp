#include "gl/OpenGLContext.h"

#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "gl/OpenGLFault.h"
#include "platform/ThreadGLContext.h"

// The Win32 constants are macros on Windows and names in win32 elsewhere, so
// they are written unqualified; functions are always called as win32::Name.
using namespace win32;

namespace {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;
constexpr std::int32_t kMakeCurrentFailed = 7;

// The context the calling thread had current before the engine made its own
// current there: the host's own, or nothing. The engine gives it back when it
// lets go of its own context rather than leaving the thread with none, since
// hosts that draw with GL on their threads (MLT's GPU filters, a compositing
// application's own views) expect to find their context still current after
// calling the effect.
thread_local ThreadGLContext hostContext;

// Keeps what is current before `engine` becomes current, unless that is the
// engine's context already (a nested hold).
void keepHostContext(win32::HGLRC engine) {
    const ThreadGLContext now = ThreadGLContext::current();
    if (!now.is(engine))
        hostContext = now;
}

// A name suffix: the next pseudo-random number in 0 to 32767, the whole range
// of rand() on Windows and its low 15 bits elsewhere, so it has four hex digits.
int nameSuffix() {
    return std::rand() % 32768;
}

win32::PIXELFORMATDESCRIPTOR pixelFormatDescriptor() {
    win32::PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 8;
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

}  // namespace

OpenGLContext::~OpenGLContext() {
    win32::CloseHandle(mutex);
}

std::int32_t OpenGLContext::create() {
    // Random suffixes keep the class of this context apart from any other
    // registered in the process; the tick count makes every creation draw anew.
    std::srand(win32::GetTickCount());
    std::swprintf(className, std::size(className), L"Quillshade2_Class%04x", nameSuffix());
    std::swprintf(windowName, std::size(windowName), L"OpenGL_WND%04x", nameSuffix());

    win32::WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = win32::DefWindowProcW;
    windowClass.hCursor = win32::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<win32::HBRUSH>(win32::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className;
    if (win32::RegisterClassExW(&windowClass) == 0)
        throw OpenGLFault(OpenGLFault::kWindowCreation);

    window = win32::CreateWindowExW(0, className, windowName, 0, 0, 0, kWindowWidth, kWindowHeight,
                                    nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr)
        throw OpenGLFault(OpenGLFault::kWindowCreation);

    // The pixel-format and context calls are not checked: without a rendering
    // context makeCurrent() only detaches, and the engine renders nothing.
    const win32::PIXELFORMATDESCRIPTOR descriptor = pixelFormatDescriptor();
    deviceContext = win32::GetDC(window);
    const int format = win32::ChoosePixelFormat(deviceContext, &descriptor);
    win32::SetPixelFormat(deviceContext, format, &descriptor);
    renderingContext = win32::wglCreateContext(deviceContext);
    keepHostContext(renderingContext);
    win32::wglMakeCurrent(deviceContext, renderingContext);
    return 0;
}

std::int32_t OpenGLContext::destroy() {
    if (renderingContext != nullptr) {
        // Only the engine's own context is let go of here; a host's stays.
        if (ThreadGLContext::current().is(renderingContext))
            releaseCurrent();
        if (!win32::wglDeleteContext(renderingContext))
            throw OpenGLFault(OpenGLFault::kContextDeletion);
        renderingContext = nullptr;
    }
    if (deviceContext != nullptr) {
        win32::ReleaseDC(window, deviceContext);
        deviceContext = nullptr;
    }
    // The window goes before its class, since a class with windows cannot be
    // unregistered; a later creation then starts from nothing.
    if (window != nullptr) {
        win32::DestroyWindow(window);
        window = nullptr;
    }
    win32::UnregisterClassW(className, nullptr);
    return 0;
}

std::int32_t OpenGLContext::makeCurrent() {
    keepHostContext(renderingContext);
    return win32::wglMakeCurrent(deviceContext, renderingContext) ? 0 : kMakeCurrentFailed;
}

bool OpenGLContext::waitLock() {
    return win32::WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0;
}

void OpenGLContext::releaseCurrent() {
    // The thread gets back the context it had before the engine's, rather
    // than none; nothing was current before, nothing is afterwards. After a
    // nested release the host's context is back already and stays.
    if (hostContext.none()) {
        if (ThreadGLContext::current().is(renderingContext))
            win32::wglMakeCurrent(deviceContext, nullptr);
        return;
    }
    hostContext.restore();
    hostContext = ThreadGLContext();
}
