// Shading pass, plain surface: lights the relief with what slope.frag found
// and paints it with the input's colours over a drop shadow in the border.
// finish.frag does the same for the other surfaces; this one, without their
// reads and branches (llvmpipe runs both sides of every branch), is the one
// a frame at the effect's defaults costs.
//
// Image space as in height.frag.

uniform sampler2D light;      // r: diffuse cosine, g: specular, b: shadow (slope.frag)
uniform sampler2D inputTex;   // the input layer, for its colours
uniform vec2 outSize;
uniform vec2 fieldSize;       // output pixels the light spans
uniform vec2 inOrigin;
uniform vec2 inSize;

uniform float flatLight;      // what a flat surface receives: diffuse light is divided by it
uniform vec4 lightColor;
uniform vec4 ambientColor;
uniform float colourAmount;   // 0 neutral grey, 1 the input's colours
uniform float retroBias;      // subtracted ahead of ordered dithering, whose offsets only add

void main() {
    vec2 pixel = gl_TexCoord[0].xy * outSize;
    vec2 inUV = (pixel - inOrigin) / inSize;
    bool inside = inUV.x >= 0.0 && inUV.y >= 0.0 && inUV.x <= 1.0 && inUV.y <= 1.0;
    vec4 base = inside ? texture2D(inputTex, inUV) : vec4(0.0);
    vec3 field = texture2D(light, pixel / fieldSize).rgb;

    vec3 albedo = mix(vec3(0.5), base.rgb, colourAmount);
    vec3 lit = albedo * mix(ambientColor.rgb, lightColor.rgb, field.r / flatLight) +
               lightColor.rgb * field.g;

    // The lit surface over its drop shadow (straight colour, alpha from both).
    float alpha = base.a + field.b * (1.0 - base.a);
    vec3 colour = alpha > 0.0 ? lit * base.a / alpha : vec3(0.0);
    gl_FragColor = vec4(colour - retroBias, alpha);
}
