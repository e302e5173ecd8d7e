uniform sampler2D image;
// Called by main() below.
vec4 fetch(vec2 uv) { return texture2D(image, uv); }
void main() { gl_FragColor = fetch(gl_TexCoord[0].xy); }
