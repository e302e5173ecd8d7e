#include "gl/GlewLoader.h"

#include <GL/glew.h>

bool initialiseGlew() {
    // Load every entry point the driver has, also those of extensions it does
    // not list.
    glewExperimental = GL_TRUE;
    // glewInit runs the context step and stops on its failure; otherwise it
    // returns the result of the window-system step that follows, which only
    // matters on Windows (WGL) and fails under EGL for want of a GLX display.
    const GLenum result = glewInit();
    return result != GLEW_ERROR_NO_GL_VERSION && result != GLEW_ERROR_GL_VERSION_10_ONLY;
}
