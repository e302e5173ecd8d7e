#version 130
uniform sampler2D image;

void main() {
    vec4 c = texture2D(image, gl_TexCoord[0].xy);
    gl_FragColor = vec4(round(c.rgb), c.a);
}
