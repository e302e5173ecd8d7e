#version 120
// gl_TexCoord[0] from 0 at the bottom to 1 at the top; a step count and a switch.
uniform int steps = 4;
uniform bool invert;
void main() {
    vec2 st = floor(gl_TexCoord[0].st * float(steps)) / float(steps);
    gl_FragColor = vec4(invert ? 1.0 - st : st, 0.0, 1.0);
}
