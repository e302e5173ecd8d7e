// Shading pass: lights the relief whose slopes slope.frag found and paints it
// with the input's colours, the chosen surface finish and a drop shadow in the
// border.
//
// Image space as in height.frag: y grows downward, so a normal's y and the
// light's y point down the image; the environment is looked up with y up.
//
// Uniforms named like effect parameters (height, lightAngle, lightType,
// lightPosition, lightColor, ambientColor, finish) take those parameters'
// values straight from the script's QS_setShaderParam; the others are set one
// by one with QS_setShaderParamVal.

uniform sampler2D slopes;        // r, g: slope along x and y, b: shadow (slope.frag)
uniform sampler2D inputTex;      // the input layer, for its colours
uniform sampler2D grainTex;      // paper or stone grain
uniform samplerCube environment; // sky for the chrome finish (a latitude-longitude image)
uniform vec2 outSize;
uniform vec2 fieldSize;          // output pixels the slopes span
uniform vec2 inOrigin;
uniform vec2 inSize;

uniform float height;         // relief strength
uniform float lightAngle;     // degrees: 0 light from the top, 90 from the right
uniform float elevation;      // degrees above the surface, 1..89
uniform int lightType;        // 1 directional, 2 point
uniform vec2 lightPosition;   // point light, input pixels
uniform vec4 lightColor;
uniform vec4 ambientColor;
uniform float shine;          // specular strength, 0..1
uniform float colourAmount;   // 0 neutral grey, 1 the input's colours
uniform int finish;           // 1 None, 2 Paper, 3 Stone, 4 Chrome
uniform float grainAmount;    // 0..1
uniform float grainScale;     // grain texture repeats per pixel
uniform float reflectivity;   // chrome, 0..1
uniform float retroBias;      // subtracted ahead of ordered dithering, whose offsets only add

float luma(vec3 c) {
    return dot(c, vec3(0.2126, 0.7152, 0.0722));
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec2 pixel = uv * outSize;
    vec2 inUV = (pixel - inOrigin) / inSize;
    bool inside = inUV.x >= 0.0 && inUV.y >= 0.0 && inUV.x <= 1.0 && inUV.y <= 1.0;
    vec4 base = inside ? texture2D(inputTex, inUV) : vec4(0.0);

    vec3 field = texture2D(slopes, pixel / fieldSize).rgb;
    vec3 n = normalize(vec3(-field.xy * height, 1.0));

    // Direction toward the light. A flat surface facing a directional light
    // receives sin(elevation); dividing by it keeps flat areas at the input's
    // own brightness. A point light is brightest right under it.
    float elev = radians(elevation);
    vec3 toLight;
    float flatLight;
    if (lightType == 2) {
        float lift = 0.5 * max(inSize.x, inSize.y) * tan(elev);
        toLight = normalize(vec3(lightPosition + inOrigin - pixel, lift));
        flatLight = 1.0;
    } else {
        float a = radians(lightAngle);
        toLight = vec3(sin(a) * cos(elev), -cos(a) * cos(elev), sin(elev));
        flatLight = max(sin(elev), 0.15);
    }
    float diffuse = max(dot(n, toLight), 0.0) / flatLight;
    vec3 halfway = normalize(toLight + vec3(0.0, 0.0, 1.0));
    float specular = shine * pow(max(dot(n, halfway), 0.0), 8.0 + 120.0 * shine);

    // Albedo: the input's colours, or neutral grey, textured by the finish.
    vec3 albedo = mix(vec3(0.5), base.rgb, colourAmount);
    if (finish == 2 || finish == 3) {
        vec3 grain = texture2D(grainTex, pixel * grainScale).rgb;
        if (finish == 2) albedo *= mix(vec3(1.0), grain / 0.6, 0.35 * grainAmount);
        if (finish == 3) albedo *= mix(vec3(1.0), grain / 0.55, 0.6 * grainAmount);
    }

    vec3 lit = albedo * mix(ambientColor.rgb, lightColor.rgb, diffuse) + lightColor.rgb * specular;

    if (finish == 4) {
        // Chrome: the sky reflected about the normal, seen from slightly
        // below so that flat areas mirror the sky just above the horizon.
        vec3 view = normalize(vec3(0.0, 0.35, -1.0));
        vec3 dir = normalize(reflect(view, vec3(n.x, -n.y, n.z)));
        vec3 sky = textureCube(environment, dir).rgb;
        vec3 chrome = sky * mix(vec3(1.0), albedo * 2.0, 0.5) * lightColor.rgb;
        lit = mix(lit, chrome + lightColor.rgb * specular, reflectivity);
    }

    // The lit surface over its drop shadow (straight colour, alpha from both).
    float alpha = base.a + field.b * (1.0 - base.a);
    vec3 colour = alpha > 0.0 ? lit * base.a / alpha : vec3(0.0);
    gl_FragColor = vec4(colour - retroBias, alpha);
}
