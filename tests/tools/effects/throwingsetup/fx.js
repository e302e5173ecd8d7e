// setup() throws before it creates its shader.
var P = {};
var tint = 0;

function setup() {
    P.tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    if (!P.strength)
        throw new Error("strength was never declared");
    tint = QS_initShader("tint");
}

function draw() {
    QS_setShaderParamVal(tint, "image", QS_getSequenceTexture());
    QS_setShaderParam(tint, P.tint);
    QS_renderShader(tint, QS_getSequenceRT(), true);
}
