#ifdef GL_ES
precision mediump float;
#endif
// A playground's own uniforms: mouse from 0 to 1, resolution in pixels.
uniform float time;
uniform vec2 mouse;
uniform vec2 resolution;
void main() {
    vec2 position = gl_FragCoord.xy / resolution.xy;
    gl_FragColor = vec4(mouse.x, mouse.y, position.y, 1.0 + time * 0.0);
}
