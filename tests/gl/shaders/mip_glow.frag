uniform sampler2D sInput0;
uniform float glow;

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 sharp = texture2D(sInput0, uv);
    vec4 soft = texture2DLod(sInput0, uv, 3.0) + texture2DLod(sInput0, uv, 5.0);
    gl_FragColor = sharp + glow * 0.5 * soft;
}
