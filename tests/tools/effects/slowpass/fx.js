// Draws the slow shader over a 128 x 128 corner of the output, whatever the
// input's size, so that the pass takes about as long in every test.
var slow = 0;

function setup() {
    slow = QS_initShader("slow");
}

function draw() {
    QS_setShaderParamVal(slow, "image", QS_getSequenceTexture());
    QS_renderShader(slow, QS_getSequenceRT(), true, [0, 0, 128, 128]);
}
