// Brightens the input towards its edges.

uniform sampler2D image;

void main() {
    vec4 colour = texture2D(image, gl_TexCoord[0].xy);
    gl_FragColor = colour * (1.0 + radius);
}
