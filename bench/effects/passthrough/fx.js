// Copies the input into the output with one shader pass.
var copy = 0;

function setup() {
    copy = QS_initShader("copy");
}

function draw() {
    QS_setShaderParamVal(copy, "image", QS_getSequenceTexture());
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
