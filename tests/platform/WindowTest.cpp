#include <gtest/gtest.h>

#include <GL/gl.h>

#include "platform/Win32.h"

using namespace win32;

TEST(Window, ClassesRegisterOnceAndPixelFormatsGiveAnRgba8DrawableOfTheWindowSize) {
    WNDCLASSEXW description{};
    description.cbSize = 48;
    description.lpfnWndProc = DefWindowProcW;
    description.lpszClassName = L"GLClass";
    EXPECT_EQ(RegisterClassExW(&description), 0);
    description.cbSize = sizeof(description);
    EXPECT_NE(RegisterClassExW(&description), 0);
    EXPECT_EQ(RegisterClassExW(&description), 0);
    EXPECT_EQ(
        CreateWindowExW(0, L"Other", L"", 0, 0, 0, 64, 32, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    HWND window =
        CreateWindowExW(0, L"GLClass", L"", 0, 0, 0, 64, 32, nullptr, nullptr, nullptr, nullptr);
    HDC deviceContext = GetDC(window);
    ASSERT_NE(deviceContext, nullptr);
    // No rendering context before the pixel format is set.
    EXPECT_EQ(wglCreateContext(deviceContext), nullptr);

    PIXELFORMATDESCRIPTOR pixels{};
    pixels.nSize = sizeof(pixels);
    pixels.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixels.cColorBits = 32;
    pixels.cDepthBits = 8;
    const int format = ChoosePixelFormat(deviceContext, &pixels);
    EXPECT_EQ(SetPixelFormat(deviceContext, format, &pixels), TRUE);
    EXPECT_EQ(SetPixelFormat(deviceContext, format, &pixels), FALSE);
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

    // A class cannot go while one of its windows exists.
    EXPECT_EQ(UnregisterClassW(L"GLClass", nullptr), FALSE);
    EXPECT_EQ(DestroyWindow(window), TRUE);
    EXPECT_EQ(UnregisterClassW(L"GLClass", nullptr), TRUE);
}
