// Two shaders ported from elsewhere, chained through a render target.
var lod = 0, steps = 0, middle = 0;

function setup() {
    lod = QS_initShader("lod");
    steps = QS_initShader("steps");
}

function draw() {
    var output = QS_getSequenceRT();
    var size = QS_getSurfaceDim(output);
    if (!middle) middle = QS_initRenderTarget(size[0], size[1], size[2]);
    QS_setShaderParamVal(lod, "image", QS_getSequenceTexture());
    QS_renderShader(lod, middle, true);
    QS_setShaderParamVal(steps, "image", middle);
    QS_setShaderParamVal(steps, "levels", [1, 1]);
    QS_setShaderParamVal(steps, "flags", [true, false]);
    QS_renderShader(steps, output, false);
}
