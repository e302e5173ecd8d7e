uniform sampler2D image;  // the input layer
uniform vec4 tint;        // the "tint" parameter

void main() {
    vec4 colour = texture2D(image, gl_TexCoord[0].xy);
    gl_FragColor = vec4(colour.rgb * tint.rgb, colour.a)
}
