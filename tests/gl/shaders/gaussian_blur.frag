// Separable Gaussian blur: nine taps of texture2D (tex, uv) along one axis.
uniform sampler2D sInput0;
uniform vec4 s_Texture0Params;
uniform vec2 direction;
uniform float radius;

float weight(int i) {
    float w[5];
    w[0] = 0.2270270270;
    w[1] = 0.1945945946;
    w[2] = 0.1216216216;
    w[3] = 0.0540540541;
    w[4] = 0.0162162162;
    return w[i];
}

void main()
{
    vec2 uv = gl_TexCoord[0].xy;
    vec2 stepUV = direction * radius * s_Texture0Params.zw;
    vec4 sum = texture2D(sInput0, uv) * weight(0);
    for (int i = 1; i < 5; ++i) {
        sum += weight(i) * texture2D(sInput0, uv + float(i) * stepUV);
        sum += weight(i)*texture2D(sInput0, uv - float(i) * stepUV);
    }
    gl_FragColor = sum;
}
