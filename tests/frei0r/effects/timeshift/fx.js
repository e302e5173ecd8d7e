// Time Shift: the frame's colours rotated by an amount that grows with the
// frame's time, so that every frame of a clip comes out differently and a
// host passing the wrong time shows.
var speed;
var shiftShader;

function setup() {
    speed = QS_initParam("speed", QS_Type.FLOAT, "Speed");
    QS_setParamMinMax(speed, 0, 10);
    QS_setParamValue(speed, 2);
    shiftShader = QS_initShader("shift");
}

function draw() {
    var input = QS_getSequenceTexture();
    QS_setShaderParamVal(shiftShader, "image", input);
    QS_setShaderParamVal(shiftShader, "phase", QS_getTime() * QS_getParamValue(speed));
    QS_renderShader(shiftShader, QS_getSequenceRT(), true);
}
