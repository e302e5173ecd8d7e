#include <gtest/gtest.h>

#include <GL/glew.h>
#include <EGL/egl.h>

#include <cwchar>
#include <future>
#include <string>
#include <thread>

#include "gl/OpenGLContext.h"
#include "gl/OpenGLFault.h"
#include "support/GLTestContext.h"

namespace {

// The prefix followed by exactly four lower-case hexadecimal digits.
bool hasHexSuffix(const wchar_t* name, const std::string& prefix) {
    const std::string text(name, name + std::wcslen(name));
    return text.size() == prefix.size() + 4 && text.compare(0, prefix.size(), prefix) == 0 &&
           text.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos;
}

std::wstring classNameWithSuffix(int suffix) {
    wchar_t name[32];
    std::swprintf(name, 32, L"Quillshade2_Class%04x", suffix);
    return name;
}

}  // namespace

TEST(OpenGLContext, CreateLeavesAWorkingCompatibilityContextCurrentWithoutTheMutex) {
    GLTestContext gl;
    OpenGLContext& context = gl.context();
    EXPECT_TRUE(hasHexSuffix(context.className, "Quillshade2_Class"));
    EXPECT_TRUE(hasHexSuffix(context.windowName, "OpenGL_WND"));
    ASSERT_NE(context.renderingContext, nullptr);
    EXPECT_NE(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_TRUE(gl.mutexFree());

    // GLEW loaded the later entry points, and fixed-function drawing works.
    EXPECT_NE(glGenFramebuffers, nullptr);
    EXPECT_NE(glBlitFramebuffer, nullptr);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glRectf(-1, -1, 0, 1);
    unsigned char left[4] = {}, right[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(639, 359, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(left[0] * 0x10000 + left[1] * 0x100 + left[2], 0xff0000);
    EXPECT_EQ(right[0] * 0x10000 + right[1] * 0x100 + right[2], 0x0000ff);
}

TEST(OpenGLContext, EveryCreationDrawsNewNames) {
    GLTestContext first;
    // A new tick count seeds a new draw. The first class is still registered,
    // so the second creation only succeeds under a name of its own.
    const win32::DWORD start = win32::GetTickCount();
    while (win32::GetTickCount() == start) std::this_thread::yield();
    GLTestContext second;
    EXPECT_NE(second.context().renderingContext, nullptr);
    EXPECT_NE(std::wcscmp(first.context().className, second.context().className), 0);
}

TEST(OpenGLContext, CreateThrowsCode1WhenTheClassCannotBeRegistered) {
    // Every name the creation can draw is taken.
    for (int suffix = 0; suffix < 32768; ++suffix) {
        const std::wstring name = classNameWithSuffix(suffix);
        win32::WNDCLASSEXW description{};
        description.cbSize = sizeof(description);
        description.lpszClassName = name.c_str();
        ASSERT_NE(win32::RegisterClassExW(&description), 0);
    }
    OpenGLContext context;
    try {
        context.create();
        ADD_FAILURE() << "create() did not throw";
    } catch (const OpenGLFault& fault) {
        EXPECT_EQ(fault.code, 1);
    }
    EXPECT_EQ(context.window, nullptr);
    for (int suffix = 0; suffix < 32768; ++suffix)
        win32::UnregisterClassW(classNameWithSuffix(suffix).c_str(), nullptr);
}

TEST(OpenGLContext, DestroyThrowsCode2WhileCurrentElsewhereAndCanBeRepeated) {
    OpenGLContext context;
    context.create();
    context.releaseCurrent();
    std::promise<void> held, done;
    std::thread holder([&] {
        context.makeCurrent();
        held.set_value();
        done.get_future().wait();
        context.releaseCurrent();
    });
    held.get_future().wait();
    try {
        context.destroy();
        ADD_FAILURE() << "destroy() did not throw";
    } catch (const OpenGLFault& fault) {
        EXPECT_EQ(fault.code, 2);
    }
    EXPECT_NE(context.renderingContext, nullptr);
    done.set_value();
    holder.join();

    EXPECT_EQ(context.destroy(), 0);
    EXPECT_EQ(context.renderingContext, nullptr);
    EXPECT_EQ(context.deviceContext, nullptr);
    EXPECT_EQ(context.destroy(), 0);
    // The class is gone, so its name is free again.
    win32::WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpszClassName = context.className;
    EXPECT_NE(win32::RegisterClassExW(&description), 0);
    // Without a rendering context, makeCurrent only detaches and succeeds.
    EXPECT_EQ(context.makeCurrent(), 0);
}
