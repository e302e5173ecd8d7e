#include <gtest/gtest.h>

#include <GL/gl.h>

#include "platform/Win32.h"

using namespace win32;

namespace {

WNDCLASSEXW windowClass(LPCWSTR name) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = DefWindowProcW;
    description.lpszClassName = name;
    return description;
}

HWND createWindow(LPCWSTR className, int width, int height) {
    return CreateWindowExW(0, className, L"", 0, 0, 0, width, height, nullptr, nullptr, nullptr,
                           nullptr);
}

}  // namespace

TEST(WindowClass, RegistersOnceAndOnlyWithTheRightSize) {
    WNDCLASSEXW description = windowClass(L"TestClass");
    description.cbSize = 48;
    EXPECT_EQ(RegisterClassExW(&description), 0);
    description.cbSize = sizeof(description);
    EXPECT_NE(RegisterClassExW(&description), 0);
    EXPECT_EQ(RegisterClassExW(&description), 0);

    EXPECT_EQ(createWindow(L"OtherClass", 640, 360), nullptr);
    HWND window = createWindow(L"TestClass", 640, 360);
    ASSERT_NE(window, nullptr);
    // A class cannot go while one of its windows exists.
    EXPECT_EQ(UnregisterClassW(L"TestClass", nullptr), FALSE);
    EXPECT_EQ(DestroyWindow(window), TRUE);
    EXPECT_EQ(UnregisterClassW(L"TestClass", nullptr), TRUE);
    EXPECT_NE(RegisterClassExW(&description), 0);
}

TEST(WindowGL, PixelFormatGivesAnRgba8DrawableOfTheWindowSize) {
    const WNDCLASSEXW description = windowClass(L"GLClass");
    RegisterClassExW(&description);
    HWND window = createWindow(L"GLClass", 64, 32);
    HDC deviceContext = GetDC(window);
    ASSERT_NE(deviceContext, nullptr);
    // No rendering context before the pixel format is set.
    EXPECT_EQ(wglCreateContext(deviceContext), nullptr);

    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(descriptor);
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 8;
    const int format = ChoosePixelFormat(deviceContext, &descriptor);
    EXPECT_EQ(SetPixelFormat(deviceContext, format, &descriptor), TRUE);
    EXPECT_EQ(SetPixelFormat(deviceContext, format, &descriptor), FALSE);

    HGLRC context = wglCreateContext(deviceContext);
    ASSERT_EQ(wglMakeCurrent(deviceContext, context), TRUE);
    GLint red = 0, alpha = 0, depth = 0, viewport[4] = {};
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(red, 8);
    EXPECT_EQ(alpha, 8);
    EXPECT_GE(depth, 8);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 32);
    EXPECT_EQ(SwapBuffers(deviceContext), TRUE);
    EXPECT_EQ(wglDeleteContext(context), TRUE);
    DestroyWindow(window);
}
