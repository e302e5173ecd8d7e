// Light pass: what the shading needs from the softened height field, worked
// out at the field's resolution so that the full-size pass reads one texel
// of it a pixel.
//
// Image space as in height.frag. Output: r = the diffuse light's cosine, g =
// the specular highlight, b = the drop shadow's opacity, all 0..1, which an
// 8-bit target keeps.
//
// The light's direction comes worked out from the script: a directional light
// is `lightVector` everywhere, a point light (`pointLight` 1) at `lightVector`
// shines from there toward each pixel.

uniform sampler2D heightField;  // r: height, g: coverage (softened), linear-filtered
uniform vec2 fieldSize;         // output pixels the field spans

uniform float height;         // relief strength
uniform vec3 lightVector;     // toward a directional light; a point light's position
uniform float pointLight;     // 1 for a point light, 0 for a directional one
uniform vec2 shadowAway;      // a directional light's shadow direction, (0, 0) for a point
uniform float shine;          // specular strength, 0..1
uniform float shadow;         // drop shadow opacity, 0..1

// The field at `offset` output pixels from `pixel`.
vec4 fieldAt(vec2 pixel, vec2 offset) {
    return texture2D(heightField, (pixel + offset) / fieldSize);
}

void main() {
    vec2 pixel = gl_TexCoord[0].xy * fieldSize;

    // Sobel over output pixels, in four reads: each, half a pixel away along
    // both axes, is the mean of a 2 x 2 corner of the 3 x 3 neighbourhood (the
    // field is filtered linearly, and a pixel is at most one texel), and the
    // corners' sums and differences weigh the neighbours exactly as Sobel does.
    float tl = fieldAt(pixel, vec2(-0.5, -0.5)).r, tr = fieldAt(pixel, vec2(0.5, -0.5)).r;
    float bl = fieldAt(pixel, vec2(-0.5, 0.5)).r, br = fieldAt(pixel, vec2(0.5, 0.5)).r;
    vec2 slopes = 0.5 * vec2(tr + br - tl - bl, bl + br - tl - tr);
    vec3 n = normalize(vec3(-slopes * height, 1.0));
    vec3 toLight = normalize(lightVector - pointLight * vec3(pixel, 0.0));
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 halfway = normalize(toLight + vec3(0.0, 0.0, 1.0));
    float specular = shine * pow(max(dot(n, halfway), 0.0), 8.0 + 120.0 * shine);

    // Drop shadow: the softened coverage, pushed away from the light. One
    // read: spreading it further the longer it is cast took four, over a
    // quarter of this pass, for a difference the softened coverage mostly
    // hides (a tall relief's long shadow comes out crisper).
    vec2 away = normalize(pointLight * (pixel - lightVector.xy + vec2(0.001)) + shadowAway);
    float mask = fieldAt(pixel, -away * (2.0 + 0.6 * height)).g;

    gl_FragColor = vec4(diffuse, specular, mask * shadow, 1.0);
}
