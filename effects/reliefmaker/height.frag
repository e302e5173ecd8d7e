// Height pass: the relief's height field, at the output's size or at a
// fraction of it (soft reliefs need no finer field; the script picks).
//
// Every pass of the effect works in image space: texture coordinate (0, 0) is
// the image's top-left corner, y grows downward, exactly as the input layer's
// rows are uploaded. The input sits inside the output at `inOrigin` pixels, so
// the border around it (when the output was grown) holds no surface.
//
// Output: r = height (0..1, grain added), g = coverage (the input's alpha).
// Both are softened before shading, which softens the relief and turns the
// coverage into the soft mask of the drop shadow. The first of that softening
// happens here: four linear-filtered reads, `spread` pixels from the texel's
// centre along both axes, average a 4 x 4 (or 3 x 3) block of input pixels
// with weights the script chose for the variance it wants, which at the
// default softness leaves no blur pass to run.

uniform sampler2D inputTex;   // the input layer
uniform sampler2D heightMap;  // the "Height Map" layer parameter
uniform sampler2D grainTex;   // paper or stone grain, tileable
uniform bool useHeightMap;    // a height map layer is connected
uniform bool invert;          // "Invert": dents instead of bumps
uniform float grainDepth;     // the grain's height, 0 without grain
uniform float grainScale;     // grain texture repeats per pixel
uniform float spread;         // the reads' distance from the texel's centre, pixels
uniform vec2 fieldSize;       // output pixels the field spans (its texels times its scale)
uniform vec2 inOrigin;        // input's top-left corner in the output, pixels
uniform vec2 inSize;          // input size, pixels

float luma(vec3 c) {
    return dot(c, vec3(0.2126, 0.7152, 0.0722));
}

// Height (grain added) times coverage, and coverage, at `pixel`; nothing
// outside the input.
vec2 surface(vec2 pixel) {
    vec2 inUV = (pixel - inOrigin) / inSize;
    vec2 inside = step(vec2(0.0), inUV) * step(inUV, vec2(1.0));
    vec4 colour = texture2D(inputTex, inUV);
    float h = useHeightMap ? luma(texture2D(heightMap, inUV).rgb) : luma(colour.rgb);
    if (invert) h = 1.0 - h;
    h += grainDepth * (texture2D(grainTex, pixel * grainScale).r - 0.5);
    float a = colour.a * inside.x * inside.y;
    return vec2(h * a, a);
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;
    vec2 sum = surface(pixel + vec2(-spread, -spread)) + surface(pixel + vec2(spread, -spread)) +
               surface(pixel + vec2(-spread, spread)) + surface(pixel + vec2(spread, spread));
    gl_FragColor = vec4(0.25 * sum, 0.0, 1.0);
}
