#pragma once
// The failure that the OpenGL context reports by throwing: a plain value with
// one code, which the entry point turns into a host error like any exception
// that is not a host error code.
#include <cstdint>

class OpenGLFault {
public:
    // Registering the window class or creating the window failed.
    static constexpr std::int32_t kWindowCreation = 1;
    // Deleting the rendering context failed.
    static constexpr std::int32_t kContextDeletion = 2;

    explicit OpenGLFault(std::int32_t code) : code(code) {}

    std::int32_t code;
};
