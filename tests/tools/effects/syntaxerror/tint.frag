// Multiplies the input by a colour.

uniform sampler2D image;
uniform vec4 tint;

void main() {
    gl_FragColor = texture2D(image, gl_TexCoord[0].xy) * tint;
}
