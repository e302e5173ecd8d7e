#pragma once
// The hosts whose shaders `quillshade port` brings over.

#include <string>

class ShaderText;

enum class SourceDialect {
    // mainImage(out vec4 fragColor, in vec2 fragCoord) with iResolution,
    // iTime, iMouse, iChannel0-3 supplied by the page (GLSL ES 3.00).
    Shadertoy,
    // WebGL and three.js: GLSL ES 1.00 or 3.00 with `vUv`-like varyings and
    // `resolution`/`time` uniforms.
    WebGL,
    // Desktop GLSL 1.10 to 4.x: gl_TexCoord or `in` varyings, `out vec4`
    // colours, texture(); Vulkan-style `#version 450` with layouts.
    Glsl,
};

// "shadertoy", "webgl" or "glsl"; false for any other name.
bool parseSourceDialect(const std::string& name, SourceDialect& dialect);
const char* sourceDialectName(SourceDialect dialect);
// What the text looks like: mainImage means Shadertoy; an ES #version, a
// precision statement or `varying` without a #version line means WebGL.
SourceDialect detectSourceDialect(const ShaderText& text);
