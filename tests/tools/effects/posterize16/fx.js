// Posterize through a CPU surface, written from the README alone: a 32-bit
// work target at every host depth, flip false until the output.
var copy, work = 0, workSize = [0, 0];

function setup() {
    copy = QS_initShader("copy");
}

function draw() {
    var input = QS_getSequenceTexture();
    var size = QS_getSurfaceDim(input);
    if (size[0] != workSize[0] || size[1] != workSize[1]) {
        if (work)
            QS_release(work);
        work = QS_initRenderTarget(size[0], size[1], 32);
        workSize = [size[0], size[1]];
    }
    QS_setShaderParamVal(copy, "image", input);
    QS_renderShader(copy, work, false);
    var surface = QS_textureToSurface(work);
    // Black and white by a threshold of one half, no dither.
    QS_surfaceQuantize(surface, false, 1, 1, 0.5, false);
    QS_surfaceCopyTo(surface, work, false);
    QS_release(surface);
    QS_setShaderParamVal(copy, "image", work);
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
