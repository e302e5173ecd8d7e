// Shaders ported without care: uniforms the engine cannot fill, and two
// shaders that do not compile.
var P = {};
var grade = 0, commented = 0, typo = 0;

function setup() {
    P.shape = QS_initParam("shape", QS_Type.POPUP, "Shape");
    QS_setParamChoices(P.shape, "Round|Square");
    P.cells = QS_initParam("cells", QS_Type.POINT2D, "Cells");
    grade = QS_initShader("grade");
    commented = QS_initShader("commented");
    typo = QS_initShader("typo");
}

function draw() {
    QS_setShaderParamVal(grade, "image", QS_getSequenceTexture());
    QS_setShaderParam(grade, P.shape);
    QS_setShaderParam(grade, P.cells);
    QS_renderShader(grade, QS_getSequenceRT(), true);
}
