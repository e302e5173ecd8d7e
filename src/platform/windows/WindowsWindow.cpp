// The hidden window, its device context, pixel format and WGL context on
// Windows, and the tick count: the operating system's own calls.
#include "platform/ThreadGLContext.h"
#include "platform/Win32.h"

#ifdef _MSC_VER
#pragma comment(lib, "user32.lib")
#pragma comment(lib, "gdi32.lib")
#pragma comment(lib, "opengl32.lib")
#endif

namespace win32 {

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    return ::LoadCursorW(instance, name);
}

HGDIOBJ GetStockObject(int object) {
    return ::GetStockObject(object);
}

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    return ::RegisterClassExW(windowClass);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
    return ::UnregisterClassW(className, instance);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     void* param) {
    return ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                             static_cast<HMENU>(menu), instance, param);
}

BOOL DestroyWindow(HWND window) {
    return ::DestroyWindow(window);
}

HDC GetDC(HWND window) {
    return ::GetDC(window);
}

int ReleaseDC(HWND window, HDC deviceContext) {
    return ::ReleaseDC(window, deviceContext);
}

int ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor) {
    return ::ChoosePixelFormat(deviceContext, descriptor);
}

BOOL SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR* descriptor) {
    return ::SetPixelFormat(deviceContext, format, descriptor);
}

HGLRC wglCreateContext(HDC deviceContext) {
    return ::wglCreateContext(deviceContext);
}

BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderingContext) {
    return ::wglMakeCurrent(deviceContext, renderingContext);
}

BOOL wglDeleteContext(HGLRC renderingContext) {
    return ::wglDeleteContext(renderingContext);
}

BOOL SwapBuffers(HDC deviceContext) {
    return ::SwapBuffers(deviceContext);
}

DWORD GetTickCount() {
    return ::GetTickCount();
}

}  // namespace win32

ThreadGLContext ThreadGLContext::current() {
    ThreadGLContext saved;
    saved.context_ = ::wglGetCurrentContext();
    if (saved.context_ != nullptr)
        saved.display_ = ::wglGetCurrentDC();
    return saved;
}

bool ThreadGLContext::is(win32::HGLRC context) const {
    return context != nullptr && context_ == context;
}

void ThreadGLContext::restore() const {
    ::wglMakeCurrent(static_cast<HDC>(display_), static_cast<HGLRC>(context_));
}
