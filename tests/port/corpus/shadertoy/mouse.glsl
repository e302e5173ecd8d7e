// Where the mouse is, in the frame's terms, and the size of the channel.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 mouse = iMouse.z > 0.0 ? iMouse.xy / iResolution.xy : vec2(1.0);
    fragColor = vec4(mouse, iChannelResolution[0].x / 16.0 + texture(iChannel0, vec2(0.0)).a * 0.0, 1.0);
}
