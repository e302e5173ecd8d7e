#pragma once
// Compiles a fragment shader's full text, as GL is handed it, with the Khronos
// reference front end (glslang), for the GLSL version and profile its
// `#version` line declares (1.10 without one). Drivers other than the one an
// author tests on are often stricter; what the reference rejects may fail on
// some GPUs even though it compiles here.
//
// For GLSL ES 1.00 the reference is held to the minimum of that dialect's
// Appendix A, which drivers for it may enforce: arrays indexed only by
// constants and loop indices, and only counting `for` loops.
//
// Builds without the reference front end (the Windows tool) compile nothing
// and say so through available().

#include <string>
#include <vector>

struct ReferenceMessage {
    // The line of the compiled text, from 1; 0 when the message has none.
    int line = 0;
    // The reference's own words, without its "ERROR: 0:12:" position.
    std::string text;
};

class ReferenceCompiler {
public:
    // Whether this build of the tool carries the reference front end.
    static bool available();

    // The errors of compiling and linking `text` as a fragment shader; none
    // when it compiles (or the reference is not available). The text should
    // have passed the engine's own size bounds (ShaderTextBounds).
    static std::vector<ReferenceMessage> errors(const std::string& text);
};
