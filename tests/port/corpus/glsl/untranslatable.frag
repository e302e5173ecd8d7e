#version 130
// What the engine cannot give: a matrix, an array, a cube map, a vertex normal.
uniform mat3 turn;
uniform float weights[4];
uniform samplerCube environment;
varying vec3 vNormal;
void main() {
    gl_FragColor = vec4(turn * vNormal * weights[0], 1.0) + textureCube(environment, vNormal);
}
