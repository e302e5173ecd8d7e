// Height pass: the relief's height field, at the output's size or at a
// fraction of it (soft reliefs need no finer field; the script picks).
//
// Every pass of the effect works in image space: texture coordinate (0, 0) is
// the image's top-left corner, y grows downward, exactly as the input layer's
// rows are uploaded. The input sits inside the output at `inOrigin` pixels, so
// the border around it (when the output was grown) holds no surface.
//
// Output: r = height (0..1, grain added), g = coverage (the input's alpha).
// The script blurs both before shading, which softens the relief and turns the
// coverage into the soft mask of the drop shadow.

uniform sampler2D inputTex;   // the input layer
uniform sampler2D heightMap;  // the "Height Map" layer parameter
uniform sampler2D grainTex;   // paper or stone grain, tileable
uniform bool useHeightMap;    // a height map layer is connected
uniform bool invert;          // "Invert": dents instead of bumps
uniform int finish;           // 1 None, 2 Paper, 3 Stone, 4 Chrome
uniform float grainAmount;    // 0..1
uniform float grainScale;     // grain texture repeats per pixel
uniform vec2 fieldSize;       // output pixels the field spans (its texels times its scale)
uniform vec2 inOrigin;        // input's top-left corner in the output, pixels
uniform vec2 inSize;          // input size, pixels

float luma(vec3 c) {
    return dot(c, vec3(0.2126, 0.7152, 0.0722));
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;
    vec2 inUV = (pixel - inOrigin) / inSize;
    if (inUV.x < 0.0 || inUV.y < 0.0 || inUV.x > 1.0 || inUV.y > 1.0) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec4 colour = texture2D(inputTex, inUV);
    float h = useHeightMap ? luma(texture2D(heightMap, inUV).rgb) : luma(colour.rgb);
    if (invert) h = 1.0 - h;
    // Paper is a finer, flatter grain than stone.
    if (finish == 2 || finish == 3) {
        float depth = finish == 2 ? 0.5 : 1.0;
        h += depth * grainAmount * (texture2D(grainTex, pixel * grainScale).r - 0.5);
    }
    gl_FragColor = vec4(h * colour.a, colour.a, 0.0, 1.0);
}
