// The bright parts of the image, blurred: what lies above 0.6 in a Gaussian
// of 9 x 9 taps, `spacing` pixels apart (three of the full-resolution frame).
uniform sampler2D image;
uniform vec2 resolution;
uniform float spacing;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec2 tap = spacing / resolution;
    vec3 sum = vec3(0.0);
    float weight = 0.0;
    for (int y = -4; y <= 4; ++y) {
        for (int x = -4; x <= 4; ++x) {
            float w = exp(-float(x * x + y * y) / 8.0);
            vec3 colour = texture2D(image, uv + vec2(float(x), float(y)) * tap).rgb;
            sum += w * max(colour - 0.6, 0.0);
            weight += w;
        }
    }
    gl_FragColor = vec4(sum / weight, 1.0);
}
