// texture2D inside a macro and a helper function.
uniform sampler2D image;
#define SAMPLE(uv) texture2D(image, uv)

vec4 fetch(vec2 uv) { return texture2D(image,uv); }

void main(void)
{
    vec2 uv = gl_TexCoord[0].xy;
    gl_FragColor = 0.5 * (SAMPLE(uv) + fetch(uv));
}
