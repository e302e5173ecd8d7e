// One axis of a separable Gaussian blur, of up to 8 texels a side. The script
// runs it horizontally and vertically, and repeats the pair for wide blurs:
// n passes of sigma s blur like one of sigma s * sqrt(n).
//
// Each tap but the centre reads two neighbouring texels at once: placed
// between them in proportion to their weights, one linear-filtered read
// returns their weighted mean, which halves the reads. The script works out
// the taps once a frame; a loop here would cost llvmpipe several times more.

uniform sampler2D heightField;  // the image to blur, linear-filtered
uniform vec2 direction;         // one texel along the blur axis, in texture units
uniform float centre;           // the centre texel's weight
uniform vec4 offsets;           // the pair taps' distances, in texels
uniform vec4 weights;           // each pair tap's weight (of both texels, one side)

vec4 pair(vec2 uv, float offset) {
    vec2 step = direction * offset;
    return texture2D(heightField, uv + step) + texture2D(heightField, uv - step);
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 sum = centre * texture2D(heightField, uv);
    // Narrow blurs leave the outer taps' weights zero: the whole frame skips them.
    sum += weights.x * pair(uv, offsets.x);
    if (weights.y > 0.0) sum += weights.y * pair(uv, offsets.y);
    if (weights.z > 0.0) sum += weights.z * pair(uv, offsets.z);
    if (weights.w > 0.0) sum += weights.w * pair(uv, offsets.w);
    gl_FragColor = sum;
}
