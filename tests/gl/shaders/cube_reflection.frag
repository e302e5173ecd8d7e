uniform samplerCube environment;
uniform sampler2D sInput0;
uniform float reflectivity;

/* Reflects a view ray about a dome-shaped normal and looks the environment up
   with textureCube(environment, dir). */
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 base = texture2D(sInput0, uv);
    vec3 n = normalize(vec3(uv * 2.0 - 1.0, 1.0));
    vec3 dir = reflect(vec3(0.0, 0.0, -1.0), n);
    vec4 env = textureCube(environment, dir);
    gl_FragColor = mix(base, env, reflectivity);
}
