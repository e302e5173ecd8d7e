#version 130
// Posterize to one step with round() and an integer modulo.
uniform sampler2D image;

void main() {
    vec4 c = texture2D(image, gl_TexCoord[0].xy);
    float levels = float(5 % 4);
    gl_FragColor = vec4(round(c.rgb * levels) / levels, c.a);
}
