// Red grows to the right, green upwards: fragCoord counts from the bottom left.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    fragColor = vec4(fragCoord.x / iResolution.x, fragCoord.y / iResolution.y, 0.0, 0.0);
}
