var levels, smoothing, copy;
function setup() {
    levels = QS_initParam("levels", QS_Type.FLOAT, "Levels");
    copy = QS_initShader("copy");
}
function draw() {
    var input = QS_getSequenceTexture();
    var size = QS_getSurfaceDim(input);
    var soft = QS_getParamValue(smoothing);
    var work = QS_initRenderTarget(size[0], size[1], size[2]);
    QS_setShaderParamVal(copy, "image", input);
    QS_renderShader(copy, work, false);
    var surface = QS_textureToSurface(work);
    QS_surfaceQuantize(surface, false, 3, 1, 1, false);
    var wide = QS_initRenderTarget(size[0], size[1], 32);
    QS_surfaceCopyTo(surface, wide, false);
    QS_setShaderParamVal(copy, "image", wide);
    QS_renderShader(copy, QS_getSequenceRT(), true);
    QS_release(surface);
    QS_release(work);
    QS_release(wide);
}
