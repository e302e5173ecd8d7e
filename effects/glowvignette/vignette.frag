// The image with the tinted glow added and its border darkened around the
// centre: round in pixels, or wide, following the frame's shape.
uniform sampler2D image;
uniform sampler2D glow;
uniform vec2 resolution;
uniform float strength;
uniform vec4 tint;
uniform bool glowOn;
uniform int shape;
uniform vec2 centre;

void main() {
    vec2 uv = gl_TexCoord[0].st;
    vec4 colour = texture2D(image, uv);
    if (glowOn)
        colour.rgb += 2.5 * strength * tint.rgb * texture2D(glow, uv).rgb;
    // The centre arrives in layer pixels, top row first like uv.
    vec2 offset = uv - centre / resolution;
    if (shape == 2)
        offset.x *= resolution.x / resolution.y;
    if (shape != 1)
        colour.rgb *= smoothstep(0.95, 0.35, length(offset));
    gl_FragColor = colour;
}
