// Slope pass: what the shading needs from the blurred height field, worked
// out at the field's resolution so that the full-size shading pass reads one
// texel instead of thirteen.
//
// Image space as in height.frag. Output: r, g = the height's slope along x and
// y per output pixel, b = the drop shadow's opacity.

uniform sampler2D heightField;  // r: height, g: coverage (blurred), linear-filtered
uniform vec2 fieldSize;         // output pixels the field spans
uniform vec2 inOrigin;
uniform vec2 inSize;

uniform float height;         // relief strength
uniform float lightAngle;     // degrees: 0 light from the top, 90 from the right
uniform float elevation;      // degrees above the surface, 1..89
uniform int lightType;        // 1 directional, 2 point
uniform vec2 lightPosition;   // point light, input pixels
uniform int finish;           // 1 None, 2 Paper, 3 Stone, 4 Chrome
uniform float shadow;         // drop shadow opacity, 0..1

// The field at `offset` output pixels from `pixel`.
vec4 fieldAt(vec2 pixel, vec2 offset) {
    return texture2D(heightField, (pixel + offset) / fieldSize);
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;

    // Sobel over output pixels. Chrome mirrors every ripple of a photograph's
    // grain, so it measures the slope over a wider step, which smooths the
    // normals it reflects with.
    float s = finish == 4 ? 2.0 : 1.0;
    float tl = fieldAt(pixel, vec2(-s, -s)).r, t = fieldAt(pixel, vec2(0.0, -s)).r;
    float tr = fieldAt(pixel, vec2(s, -s)).r, l = fieldAt(pixel, vec2(-s, 0.0)).r;
    float r = fieldAt(pixel, vec2(s, 0.0)).r, bl = fieldAt(pixel, vec2(-s, s)).r;
    float b = fieldAt(pixel, vec2(0.0, s)).r, br = fieldAt(pixel, vec2(s, s)).r;
    float dx = (tr + 2.0 * r + br - tl - 2.0 * l - bl) / (8.0 * s);
    float dy = (bl + 2.0 * b + br - tl - 2.0 * t - tr) / (8.0 * s);

    // Drop shadow: the blurred coverage, pushed away from the light and
    // softened further the longer it is cast.
    vec2 away;
    if (lightType == 2) {
        away = normalize(pixel - lightPosition - inOrigin + vec2(0.001));
    } else {
        float a = radians(lightAngle);
        float e = radians(elevation);
        away = -normalize(vec2(sin(a) * cos(e), -cos(a) * cos(e) + 0.0001));
    }
    float shadowLength = 2.0 + 0.6 * height;
    vec2 caster = pixel - away * shadowLength;
    float spread = 0.3 * shadowLength;
    float mask = 0.4 * fieldAt(caster, vec2(0.0)).g;
    mask += 0.15 * fieldAt(caster, vec2(spread, 0.0)).g;
    mask += 0.15 * fieldAt(caster, vec2(-spread, 0.0)).g;
    mask += 0.15 * fieldAt(caster, vec2(0.0, spread)).g;
    mask += 0.15 * fieldAt(caster, vec2(0.0, -spread)).g;

    gl_FragColor = vec4(dx, dy, mask * shadow, 1.0);
}
