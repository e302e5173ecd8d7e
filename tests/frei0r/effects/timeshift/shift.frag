// The picture's red, green and blue mixed by a rotation of `phase` turns.
uniform sampler2D image;
uniform float phase;

void main() {
    vec4 colour = texture2D(image, gl_TexCoord[0].st);
    float a = 6.2831853 * phase;
    vec3 mixed = vec3(colour.r * cos(a) + colour.g * sin(a),
                      colour.g * cos(a) + colour.b * sin(a),
                      colour.b * cos(a) + colour.r * sin(a));
    gl_FragColor = vec4(abs(mixed), colour.a);
}
