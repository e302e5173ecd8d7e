// The clock: the time's fraction, the frame number and the frame's length.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    fragColor = vec4(fract(iTime), float(iFrame) / 100.0, iTimeDelta * 10.0, 1.0);
}
