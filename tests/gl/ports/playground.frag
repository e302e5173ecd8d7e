// Web-playground style: precision statements and qualifiers, no GL_ES guard.
precision mediump float;
precision highp sampler2D;
uniform sampler2D image;

highp vec4 shade(in highp vec2 uv) {
    lowp vec4 c = texture2D(image, uv);
    return c.bgra;
}

void main() { gl_FragColor = shade(gl_TexCoord[0].xy); }
