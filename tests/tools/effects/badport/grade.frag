#extension GL_ARB_texture_rectangle : enable
uniform sampler2D image;
uniform float shape;
uniform ivec2 cells;
uniform mat2 turn;
uniform vec4 Texture1Params;
uniform sampler2DRect plate;

void main() {
    vec2 uv = turn * gl_TexCoord[0].xy * vec2(cells) * Texture1Params.zw;
    gl_FragColor = texture2D(image, uv) * shape + texture2DRect(plate, gl_FragCoord.xy);
}
