// halo.frag uses a variable it never declares.
var P = {};
var tint = 0, halo = 0;

function setup() {
    P.tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    QS_setParamValue(P.tint, [255, 200, 150, 255]);
    tint = QS_initShader("tint");
    halo = QS_initShader("halo");
}

function draw() {
    QS_setShaderParamVal(tint, "image", QS_getSequenceTexture());
    QS_setShaderParam(tint, P.tint);
    QS_renderShader(tint, QS_getSequenceRT(), true);
}
