#extension GL_ARB_shader_texture_lod : enable
uniform sampler2D image;

void main() { gl_FragColor = texture2DLod(image, gl_TexCoord[0].xy, 0.0).brga; }
