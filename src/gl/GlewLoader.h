#pragma once
// Loads the GL entry points of the context current on the calling thread.

// GLEW's context step first (core and extension entry points) and, only when
// it succeeded, its window-system step: the WGL extensions on Windows; under
// EGL there is no GLX display and nothing more is needed. True when the GL
// entry points were loaded.
bool initialiseGlew();
