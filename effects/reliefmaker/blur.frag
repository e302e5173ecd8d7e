// One axis of a separable Gaussian blur. The script runs it horizontally and
// vertically, and repeats the pair for wide blurs: n passes of sigma s blur
// like one of sigma s * sqrt(n), so 24 taps a side always suffice.

uniform sampler2D heightField;  // the image to blur
uniform vec2 direction;         // one pixel along the blur axis, in texture units
uniform float sigma;            // pixels, 0 < sigma <= 8

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    float radius = ceil(3.0 * sigma);
    float falloff = -0.5 / (sigma * sigma);
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = -24; i <= 24; ++i) {
        float x = float(i);
        if (abs(x) > radius) continue;
        float w = exp(x * x * falloff);
        sum += w * texture2D(heightField, uv + direction * x);
        total += w;
    }
    gl_FragColor = sum / total;
}
