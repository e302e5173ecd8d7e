// Shading pass for the paper, stone and chrome finishes: relief.frag's
// lighting with the surface's grain, or with the sky mirrored in chrome.
//
// Image space as in height.frag, so a normal's y points down the image; the
// environment is looked up with y up.
//
// GLSL 1.20, as the engine's textureCube emulation needs: its constants carry
// an f suffix, which GLSL 1.10 lacks and strict drivers refuse there.
#version 120

uniform sampler2D light;         // r: diffuse cosine, g: specular, b: shadow (slope.frag)
uniform sampler2D slopes;        // r, g: slopes along x and y (slope.frag), for chrome
uniform sampler2D inputTex;      // the input layer, for its colours
uniform sampler2D grainTex;      // paper or stone grain
uniform samplerCube environment; // sky for the chrome finish (a latitude-longitude image)
uniform vec2 outSize;
uniform vec2 fieldSize;          // output pixels the light and slopes span
uniform vec2 inOrigin;
uniform vec2 inSize;

uniform float height;         // relief strength
uniform float flatLight;      // what a flat surface receives: diffuse light is divided by it
uniform vec4 lightColor;
uniform vec4 ambientColor;
uniform float colourAmount;   // 0 neutral grey, 1 the input's colours
uniform int finish;           // 2 Paper, 3 Stone, 4 Chrome
uniform float grainAmount;    // 0..1
uniform float grainScale;     // grain texture repeats per pixel
uniform float reflectivity;   // chrome, 0..1
uniform float retroBias;      // subtracted ahead of ordered dithering, whose offsets only add

void main() {
    vec2 pixel = gl_TexCoord[0].xy * outSize;
    vec2 inUV = (pixel - inOrigin) / inSize;
    bool inside = inUV.x >= 0.0 && inUV.y >= 0.0 && inUV.x <= 1.0 && inUV.y <= 1.0;
    vec4 base = inside ? texture2D(inputTex, inUV) : vec4(0.0);
    vec3 field = texture2D(light, pixel / fieldSize).rgb;

    // Albedo: the input's colours, or neutral grey, textured by the finish.
    vec3 albedo = mix(vec3(0.5), base.rgb, colourAmount);
    if (finish == 2 || finish == 3) {
        vec3 grain = texture2D(grainTex, pixel * grainScale).rgb;
        if (finish == 2) albedo *= mix(vec3(1.0), grain / 0.6, 0.35 * grainAmount);
        if (finish == 3) albedo *= mix(vec3(1.0), grain / 0.55, 0.6 * grainAmount);
    }
    vec3 specular = lightColor.rgb * field.g;
    vec3 lit = albedo * mix(ambientColor.rgb, lightColor.rgb, field.r / flatLight) + specular;

    if (finish == 4) {
        // Chrome: the sky reflected about the normal, seen from slightly
        // below so that flat areas mirror the sky just above the horizon.
        vec2 slope = texture2D(slopes, pixel / fieldSize).rg;
        vec3 n = normalize(vec3(-slope * height, 1.0));
        vec3 view = normalize(vec3(0.0, 0.35, -1.0));
        vec3 dir = normalize(reflect(view, vec3(n.x, -n.y, n.z)));
        vec3 sky = textureCube(environment, dir).rgb;
        vec3 chrome = sky * mix(vec3(1.0), albedo * 2.0, 0.5) * lightColor.rgb;
        lit = mix(lit, chrome + specular, reflectivity);
    }

    // The lit surface over its drop shadow (straight colour, alpha from both).
    float alpha = base.a + field.b * (1.0 - base.a);
    vec3 colour = alpha > 0.0 ? lit * base.a / alpha : vec3(0.0);
    gl_FragColor = vec4(colour - retroBias, alpha);
}
