#version 100
// three.js ShaderPass style: the previous pass in tDiffuse, read at vUv.
precision mediump float;
uniform sampler2D tDiffuse;
uniform vec3 tintColor;
uniform float amount;
varying vec2 vUv;
void main() {
    vec4 picture = vec4(0.0);
    picture = mix(picture,texture2D(tDiffuse, vUv), amount);
    gl_FragColor = vec4(picture.rgb * tintColor, 1.0);
}
