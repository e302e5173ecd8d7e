// draw() calls a helper that does not exist.
var P = {};
var tint = 0;

function setup() {
    P.tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    QS_setParamValue(P.tint, [255, 200, 150, 255]);
    tint = QS_initShader("tint");
}

function draw() {
    QS_setShaderParamVal(tint, "image", QS_getSequenceTexture());
    QS_setShaderParam(tint, P.tint);
    clampEdges(QS_getSequenceTexture());
    QS_renderShader(tint, QS_getSequenceRT(), true);
}
