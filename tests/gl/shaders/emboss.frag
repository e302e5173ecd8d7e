// Emboss along a light angle. mytexture2D() clamps before it reads, so its
// calls keep their name; the engine only reroutes texture2D itself.
uniform sampler2D sInput0;
uniform vec4 s_Texture0Params;
uniform float strength;
uniform float angle;

vec4 mytexture2D(sampler2D s, vec2 uv) {
    return texture2D(s, clamp(uv, vec2(0.0), vec2(1.0)));
}

float luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

void main(void) {
    vec2 uv = gl_TexCoord[0].xy;
    vec2 d = vec2(cos(angle), sin(angle)) * s_Texture0Params.zw;
    vec4 c = texture2D(sInput0, uv);
    float hi = luma(mytexture2D(sInput0, uv + d).rgb);
    float lo = luma(mytexture2D(sInput0, uv - d).rgb);
    gl_FragColor = vec4(vec3(0.5 + (hi - lo) * strength), c.a);
}
