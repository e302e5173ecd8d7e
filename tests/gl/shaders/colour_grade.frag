#define LUMA_WEIGHTS vec3(0.2126, 0.7152, 0.0722)
uniform sampler2D sInput0;
uniform vec4 lift;
uniform vec4 gamma;
uniform vec4 gain;
uniform float saturation;

// The grade's domain( is the whole image; mainColor( is the graded pixel.
vec3 mainColor(vec3 c) {
    c = gain.rgb * (c + lift.rgb * (1.0 - c));
    return pow(max(c, vec3(0.0)), 1.0 / gamma.rgb);
}

void	main ()
{
    vec4 src=texture2D(sInput0, gl_TexCoord[0].st);
#if QUILL
    vec3 graded = mainColor(src.rgb);
#else
    vec3 graded = src.rgb;
#endif
    float luma = dot(graded, LUMA_WEIGHTS);
    gl_FragColor = vec4(mix(vec3(luma), graded, saturation), src.a);
}
