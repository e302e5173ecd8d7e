// Glow Vignette: a tinted glow around the bright parts of the frame, then a
// border darkened around a centre the user picks. Two passes: glow.frag
// gathers the blurred bright parts into a float render target; vignette.frag
// adds them to the frame and darkens the border, into the output.

var strength, tint, glowOn, shape, centre, downsample;
var glowShader, vignetteShader;
var glowTarget = 0, glowSize = [0, 0];

function setup() {
    // FLOAT: a slider, a number in the shader's `uniform float strength`.
    strength = QS_initParam("strength", QS_Type.FLOAT, "Glow Strength");
    QS_setParamMinMax(strength, 0, 4);
    QS_setParamValue(strength, 1.5);
    // COLOR: given here from 0 to 255, it reaches `uniform vec4 tint` from 0 to 1.
    tint = QS_initParam("tint", QS_Type.COLOR, "Glow Colour");
    QS_setParamValue(tint, [255, 200, 140, 255]);
    // BOOL: a checkbox, `uniform bool glowOn`.
    glowOn = QS_initParam("glowOn", QS_Type.BOOL, "Glow");
    QS_setParamValue(glowOn, 1);
    // POPUP: the entry number from 1, `uniform int shape` (an int, not a float).
    shape = QS_initParam("shape", QS_Type.POPUP, "Vignette");
    QS_setParamChoices(shape, "None|Round|Wide");
    QS_setParamValue(shape, 2);
    // POINT2D: layer pixels, `uniform vec2 centre`; the default is a
    // fraction of the layer's size, here the middle.
    centre = QS_initParam("centre", QS_Type.POINT2D, "Vignette Centre");
    QS_setParamValue(centre, [0.5, 0.5]);
    // The host's downsample factor: a FLOAT with ScaleByWidth reads back
    // multiplied by it (0.5 at half resolution). It must be visible, since a
    // hidden one always reads 1; updateUIFlags greys it out.
    downsample = QS_initParam("downsample", QS_Type.FLOAT, "Resolution");
    QS_setParamFlags(downsample, QS_ParamFlags.ScaleByWidth);
    QS_setParamMinMax(downsample, 0, 1);
    QS_setParamPrecision(downsample, 2);
    QS_setParamValue(downsample, 1);

    glowShader = QS_initShader("glow");
    vignetteShader = QS_initShader("vignette");
}

// The glow's controls mean nothing while the glow is off; the downsample
// factor is the host's to set, never the user's.
function updateUIFlags() {
    var on = QS_getParamValue(glowOn) != 0;
    QS_setParamEnabled(strength, on);
    QS_setParamEnabled(tint, on);
    QS_setParamEnabled(downsample, false);
}

function draw() {
    var input = QS_getSequenceTexture();
    var output = QS_getSequenceRT();
    // [width, height, depth]: the size of this frame (smaller at a reduced
    // resolution) and the host's depth, 8, 16 or 32.
    var size = QS_getSurfaceDim(input);

    // The intermediate target follows the frame's size; 32 bits keep the
    // glow's sums unclamped.
    if (size[0] != glowSize[0] || size[1] != glowSize[1]) {
        if (glowTarget)
            QS_release(glowTarget);
        glowTarget = QS_initRenderTarget(size[0], size[1], 32);
        glowSize = [size[0], size[1]];
    }

    // Pass 1, flip false: the target keeps the input's rows, top row at t = 0.
    QS_setShaderParamVal(glowShader, "image", input);
    QS_setShaderParamVal(glowShader, "resolution", [size[0], size[1]]);
    // Taps three pixels of the full-resolution frame apart, at any resolution.
    QS_setShaderParamVal(glowShader, "spacing", 3 * QS_getParamValue(downsample));
    QS_renderShader(glowShader, glowTarget, false);

    // Pass 2, flip true: the output is read back bottom row first.
    QS_setShaderParamVal(vignetteShader, "image", input);
    QS_setShaderParamVal(vignetteShader, "glow", glowTarget);
    QS_setShaderParamVal(vignetteShader, "resolution", [size[0], size[1]]);
    QS_setShaderParam(vignetteShader, strength);
    QS_setShaderParam(vignetteShader, tint);
    QS_setShaderParam(vignetteShader, glowOn);
    QS_setShaderParam(vignetteShader, shape);
    QS_setShaderParam(vignetteShader, centre);
    QS_renderShader(vignetteShader, output, true);
}
