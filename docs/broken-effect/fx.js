// Tint: multiplies the layer's colours by the "Tint" colour.
//
// tint.frag has a deliberate syntax error: this folder shows how the engine
// reports a shader that does not compile. Add the missing semicolon and the
// effect works.

var tint, shader;

function setup() {
    tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    QS_setParamValue(tint, [255, 170, 90, 255]);  // 0..255 here, 0..1 in draw()
    shader = QS_initShader("tint");               // reads tint.frag
}

function draw() {
    QS_setShaderParamVal(shader, "image", QS_getSequenceTexture());
    QS_setShaderParam(shader, tint);  // the uniform named "tint" gets the colour
    // flip: the output is read back bottom row first.
    QS_renderShader(shader, QS_getSequenceRT(), true);
}
