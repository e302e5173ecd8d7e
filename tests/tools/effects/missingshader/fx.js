// The second shader's file, glow.frag, is not in the effect folder.
var P = {};
var tint = 0, glow = 0;

function setup() {
    P.tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    QS_setParamValue(P.tint, [255, 200, 150, 255]);
    tint = QS_initShader("tint");
    glow = QS_initShader("glow");
}

function draw() {
    QS_setShaderParamVal(tint, "image", QS_getSequenceTexture());
    QS_setShaderParam(tint, P.tint);
    QS_renderShader(tint, QS_getSequenceRT(), true);
}
