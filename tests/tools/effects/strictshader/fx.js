// One pass through copy.frag, which compiles here; the tests replace it with
// shaders that stricter compilers than Mesa's may refuse.
var copy = 0;

function setup() {
    copy = QS_initShader("copy");
}

function draw() {
    QS_setShaderParamVal(copy, "image", QS_getSequenceTexture());
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
