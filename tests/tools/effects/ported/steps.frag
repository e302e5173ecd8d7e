#version 130
uniform sampler2D image;
uniform ivec2 levels;
uniform bvec2 flags;

void main() {
    vec4 c = texture2D(image, gl_TexCoord[0].xy);
    float scale = flags.x && !flags.y ? 1.0 : 0.5;
    gl_FragColor = vec4(round(c.rgb * float(levels.x)) / float(levels.y), c.a) * scale;
}
