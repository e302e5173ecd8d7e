
/* GLSL 1.20: array constructors, const arrays, integer literals as floats. */
#version 120

uniform sampler2D image;
const float weights[3] = float[3](0.25, 0.5, 0.25);

void main() {
    float middle = weights[1] * 1;
    vec4 c = texture2D(image, gl_TexCoord[0].xy);
    gl_FragColor = vec4(c.rgb * middle, 1);
}
