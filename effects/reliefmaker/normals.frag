// Normals pass, for chrome: the height field's slopes along x and y per output
// pixel, into a float target. Chrome mirrors every ripple of a photograph's
// grain, so it measures the slope over a wider step than slope.frag, which
// smooths the normals it reflects the sky with.
//
// Image space as in height.frag.

uniform sampler2D heightField;  // r: height (softened), linear-filtered
uniform vec2 fieldSize;         // output pixels the field spans

// The height at `offset` output pixels from `pixel`.
float heightAt(vec2 pixel, vec2 offset) {
    return texture2D(heightField, (pixel + offset) / fieldSize).r;
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;
    // Sobel over a step of two pixels.
    float tl = heightAt(pixel, vec2(-2.0, -2.0)), t = heightAt(pixel, vec2(0.0, -2.0));
    float tr = heightAt(pixel, vec2(2.0, -2.0)), l = heightAt(pixel, vec2(-2.0, 0.0));
    float r = heightAt(pixel, vec2(2.0, 0.0)), bl = heightAt(pixel, vec2(-2.0, 2.0));
    float b = heightAt(pixel, vec2(0.0, 2.0)), br = heightAt(pixel, vec2(2.0, 2.0));
    float dx = (tr + 2.0 * r + br - tl - 2.0 * l - bl) / 16.0;
    float dy = (bl + 2.0 * b + br - tl - 2.0 * t - tr) / 16.0;
    gl_FragColor = vec4(dx, dy, 0.0, 1.0);
}
