#include "gl/OpenGLContext.h"

#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "gl/OpenGLFault.h"

// The Win32 constants are macros on Windows and names in win32 elsewhere, so
// they are written unqualified; functions are always called as win32::Name.
using namespace win32;

namespace {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;
constexpr std::int32_t kMakeCurrentFailed = 7;

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
    win32::wglMakeCurrent(deviceContext, renderingContext);
    return 0;
}

std::int32_t OpenGLContext::destroy() {
    if (renderingContext != nullptr) {
        win32::wglMakeCurrent(nullptr, nullptr);
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
    return win32::wglMakeCurrent(deviceContext, renderingContext) ? 0 : kMakeCurrentFailed;
}

bool OpenGLContext::waitLock() {
    return win32::WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0;
}

void OpenGLContext::releaseCurrent() {
    win32::wglMakeCurrent(deviceContext, nullptr);
}
