// Height pass, plain surface: height.frag for a frame without a height map
// layer or grain, whose height is the input's brightness alone. llvmpipe
// runs both sides of every branch, so this one leaves out the height map's
// and the grain's reads, which would cost two thirds of the pass for nothing.
//
// Image space, output and softening as in height.frag.

uniform sampler2D inputTex;   // the input layer
uniform float spread;         // the reads' distance from the texel's centre, pixels
uniform vec2 fieldSize;       // output pixels the field spans (its texels times its scale)
uniform vec2 inOrigin;        // input's top-left corner in the output, pixels
uniform vec2 inSize;          // input size, pixels
uniform bool invert;          // "Invert": dents instead of bumps

// Height (the input's brightness, or its inverse) times coverage, and
// coverage, at `pixel`; nothing outside the input.
vec2 surface(vec2 pixel) {
    vec2 inUV = (pixel - inOrigin) / inSize;
    vec2 inside = step(vec2(0.0), inUV) * step(inUV, vec2(1.0));
    vec4 colour = texture2D(inputTex, inUV);
    float h = dot(colour.rgb, vec3(0.2126, 0.7152, 0.0722));
    if (invert) h = 1.0 - h;
    float a = colour.a * inside.x * inside.y;
    return vec2(h * a, a);
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;
    vec2 sum = surface(pixel + vec2(-spread, -spread)) + surface(pixel + vec2(spread, -spread)) +
               surface(pixel + vec2(-spread, spread)) + surface(pixel + vec2(spread, spread));
    gl_FragColor = vec4(0.25 * sum, 0.0, 1.0);
}
