#version 300 es
// A plane's uv: (0, 0) at the bottom left; the clock in blue.
precision highp float;
uniform float time;
uniform vec2 resolution;
in vec2 vUv;
out vec4 fragColor;
void main() {
    fragColor = vec4(vUv.x, vUv.y, fract(time) + gl_FragCoord.x / resolution.x * 0.0, 1.0);
}
