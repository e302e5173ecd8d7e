#version 150
// A desktop program's pass: its vertex stage hands over texCoordVarying.
uniform sampler2D tex0;
uniform vec4 tint = vec4(1.0, 1.0, 1.0, 1.0);
in vec2 texCoordVarying;
out vec4 outputColor;
void main() {
    outputColor = texture(tex0, texCoordVarying) * tint;
}
