// ReliefmakerFX: relief shading of the input layer.
var height;

function setup() {
    height = QS_initParam("height", QS_Type.FLOAT, "Height");
    QS_setParamMinMax(height, 0, 10);
    QS_setParamValue(height, 2);
}

function draw() {
}
