#version 450
// A Vulkan effect: rows count from the top, and (0, 0) of inUV is the image's first row.
layout(location = 0) in vec2 inUV;
layout(location = 0) out vec4 outFragColor;
layout(set = 0, binding = 0) uniform sampler2D samplerColor;
void main() {
    vec4 picture = texture(samplerColor, inUV);
    outFragColor = vec4(picture.rg, gl_FragCoord.y < 4.0 ? 1.0 : 0.0, 1.0);
}
