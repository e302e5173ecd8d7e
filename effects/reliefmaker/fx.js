// ReliefmakerFX: turns a layer into a lit relief.
//
// The picture becomes a height field (its brightness, or another layer's),
// which is softened, lit by a directional or a point light and painted with
// the layer's own colours. A surface finish adds paper or stone grain or a
// chrome reflection of the sky; a border grows the layer to give its drop
// shadow room; a retro stage posterizes the result on the CPU.
//
// How a frame is made (draw):
//   height.frag   input (or height map) -> heightA     height, coverage
//                 (plainheight.frag without height map or grain)
//   blur.frag     heightA <-> heightB, n times          the rest of the softness
//   slope.frag    heightA -> light (8-bit)              diffuse, specular, drop shadow
//   normals.frag  heightA -> slopes                     chrome's normals
//   relief.frag   light + input -> output               plain surface
//   finish.frag   light (+ slopes) + input -> output    paper, stone, chrome
// The first three work on a field of half the output's size when the relief
// is soft enough not to show it: the full-size pass then reads one texel of
// light a pixel, and the whole frame costs a few copies of it. The height
// pass's own reads soften the field as much as the default softness asks, so
// that blur passes run only for softer reliefs. llvmpipe runs both sides of
// every branch in a shader, so the script works out what is the same for the
// whole frame (the light's direction) and picks shaders without the finishes'
// reads for the plain surface.
// With "Posterize" on, the shading pass renders into a work target instead,
// which is read back into a CPU surface, quantized and copied into the output.
//
// The engine calls setup() once, preRender(w, h) when it negotiates a frame's
// size, draw() for every frame and updateUIFlags() when the controls need
// refreshing. Script globals are shared by every instance of the effect;
// per-instance state lives in parameters (see "blurSigma").

// ---------------------------------------------------------------- choices

// Pop-ups: the host numbers entries from 1, in the order given here.
var LIGHT_TYPES = ["Directional", "Point"];
var DIRECTIONAL = 1, POINT = 2;

var FINISHES = ["None", "Paper", "Stone", "Chrome"];
var PAPER = 2, STONE = 3, CHROME = 4;

// Posterize palettes: the label shown and the engine's palette mode.
var PALETTES = [
    ["Adaptive 8", 2], ["Adaptive 16", 3], ["Adaptive 32", 4], ["Adaptive 64", 5],
    ["Adaptive 128", 6], ["Adaptive 256", 7], ["Black & White", 1],
    ["Primaries 8", 9], ["Primaries 16", 10], ["Micro 16", 11], ["Home 16 A", 12],
    ["Home 16 B", 13], ["Cyan Magenta 4", 14], ["Cyan Magenta Bright 4", 15],
    ["Green Red Brown 4", 16], ["Green Red Yellow 4", 17], ["Cyan Red 4", 18],
    ["Cyan Red Bright 4", 19], ["PC 16", 20], ["Console 16", 21]
];
var BLACK_AND_WHITE = 1;

// Dithers: the label shown and the engine's dither kind.
var DITHERS = [
    ["None", 1], ["Floyd-Steinberg", 3], ["Jarvis-Judice-Ninke", 4], ["Stucki", 5],
    ["Atkinson", 6], ["Burkes", 7], ["Sierra", 8], ["Two-Row Sierra", 9],
    ["Sierra Lite", 10], ["Stevenson-Arce", 11], ["Ordered 2x2", 13], ["Ordered 4x4", 14],
    ["Ordered 8x8", 15]
];
var NO_DITHER = 1, FIRST_ORDERED = 13;

// The blur shader reaches 8 texels a side, 3 sigma of this.
var MAX_PASS_SIGMA = 8 / 3;

// Blurs from this sigma (output pixels) up run on a half-size field.
var HALF_FIELD_SIGMA = 1.25;
// A half-size field is blurred already, by the 2 x 2 average of the height
// pass and by the linear filtering that reads its slopes back at full size:
// this much variance (output pixels squared) comes off the blur, which keeps
// the look of a full-size field closest (compared on photographs).
var HALF_FIELD_VARIANCE = 1.5;
// The variance the height pass's own reads add at most, by field scale: a
// 3 x 3 binomial at full size, a 4 x 4 box at half size.
var MAX_HEIGHT_VARIANCE = { 1: 0, 2: 1 };

// The flag that keeps a parameter away from the host.
var PARAM_HIDDEN = 1;

// ---------------------------------------------------------------- state

var P = {};   // parameter handles by name
var shaders = {};
var textures = {};
// Work targets, shared by all instances (frames never overlap) and re-made
// whenever a frame's size or depth differs.
var targets = { heightA: 0, heightB: 0, light: 0, slopes: 0, shade: 0, retro: 0 };

// ---------------------------------------------------------------- helpers

function declare(name, kind, label) {
    P[name] = QS_initParam(name, kind, label);
    return P[name];
}

// `flags` (optional) replace the whole flag word, so they go before the
// precision, which lives in the word's top byte.
function slider(name, label, min, max, initial, precision, flags) {
    var h = declare(name, QS_Type.FLOAT, label);
    QS_setParamMinMax(h, min, max);
    QS_setParamValue(h, initial);
    if (flags) QS_setParamFlags(h, flags);
    QS_setParamPrecision(h, precision);
    return h;
}

function popup(name, label, entries, initial) {
    var h = declare(name, QS_Type.POPUP, label);
    QS_setParamChoices(h, entries.join("|"));
    QS_setParamValue(h, initial);
    return h;
}

function labels(table) {
    var result = [];
    for (var i = 0; i < table.length; ++i) result.push(table[i][0]);
    return result;
}

// The engine number behind a pop-up of [label, number] entries.
function chosen(table, name) {
    var entry = table[QS_getParamValue(P[name]) - 1];
    return entry ? entry[1] : table[0][1];
}

// The current instance's value of a parameter.
function value(name) {
    return QS_getParamValue(P[name]);
}

function group(label, body) {
    QS_initParam(label.toLowerCase() + "Group", QS_Type.GROUP_START, label);
    body();
    QS_initParam(label.toLowerCase() + "GroupEnd", QS_Type.GROUP_END);
}

// Sampling outside an image repeats it by default; the relief wants its edges.
function clampToEdge(texture) {
    QS_setTextureParam(texture, QS_GL.TEXTURE_WRAP_S, QS_GL.CLAMP_TO_EDGE);
    QS_setTextureParam(texture, QS_GL.TEXTURE_WRAP_T, QS_GL.CLAMP_TO_EDGE);
}

// The render target `name` at this size and depth, re-made when it differs.
function target(name, width, height, depth) {
    var dim = QS_getSurfaceDim(targets[name]);
    if (!dim || dim[0] != width || dim[1] != height || dim[2] != depth) {
        QS_release(targets[name]);
        targets[name] = QS_initRenderTarget(width, height, depth);
        clampToEdge(targets[name]);
    }
    return targets[name];
}

// ---------------------------------------------------------------- entry points

function setup() {
    declare("heightMap", QS_Type.LAYER, "Height Map");
    slider("height", "Height", 0, 50, 10, 1);
    // Sizes in pixels follow the render's downsampling, so that a
    // half-resolution preview looks like the full frame.
    slider("softness", "Softness", 0, 40, 3, 1, QS_ParamFlags.ScaleByWidth);
    declare("invert", QS_Type.BOOL, "Invert");
    slider("colourAmount", "Colour", 0, 100, 100, 0);
    slider("border", "Border", 0, 200, 0, 0, QS_ParamFlags.ScaleByWidth);

    group("Light", function () {
        popup("lightType", "Light Type", LIGHT_TYPES, DIRECTIONAL);
        declare("lightAngle", QS_Type.ANGLE, "Direction");
        QS_setParamValue(P.lightAngle, 315);
        slider("elevation", "Elevation", 1, 89, 35, 0);
        // A point's default is a fraction of the layer's size: [0.25, 0.25]
        // places the light a quarter in from the top-left corner. RemoveScale
        // hands the point back in full-resolution layer pixels.
        declare("lightPosition", QS_Type.POINT2D, "Position");
        QS_setParamValue(P.lightPosition, [0.25, 0.25]);
        QS_setParamFlags(P.lightPosition, QS_ParamFlags.RemoveScale);
        // Colours are given in 0..255 and come back from the host in 0..1.
        declare("lightColor", QS_Type.COLOR, "Light Colour");
        QS_setParamValue(P.lightColor, [255, 247, 235, 255]);
        declare("ambientColor", QS_Type.COLOR, "Ambient Colour");
        QS_setParamValue(P.ambientColor, [60, 64, 82, 255]);
        slider("shine", "Shine", 0, 100, 30, 0);
        slider("shadow", "Shadow", 0, 100, 60, 0);
    });

    group("Surface", function () {
        popup("finish", "Finish", FINISHES, 1);
        slider("grainAmount", "Grain", 0, 100, 50, 0);
        slider("grainScale", "Grain Scale", 10, 400, 100, 0);
        slider("reflectivity", "Reflectivity", 0, 100, 85, 0);
    });

    group("Retro", function () {
        declare("retro", QS_Type.BOOL, "Posterize");
        popup("palette", "Palette", labels(PALETTES), 2);
        popup("dither", "Dither", labels(DITHERS), 2);
        slider("ditherStrength", "Dither Strength", 0, 100, 50, 0);
        declare("serpentine", QS_Type.BOOL, "Serpentine");
        QS_setParamValue(P.serpentine, 1);
    });

    // Hidden: never shown or read from the host. preRender works out the
    // blur for the frame and leaves it here for draw(); a parameter, not a
    // global, because every instance has its own copy.
    declare("blurSigma", QS_Type.FLOAT, "Blur Sigma");
    QS_setParamFlags(P.blurSigma, PARAM_HIDDEN);

    shaders.height = QS_initShader("height");
    shaders.plainHeight = QS_initShader("plainheight");
    shaders.blur = QS_initShader("blur");
    shaders.slope = QS_initShader("slope");
    shaders.normals = QS_initShader("normals");
    shaders.relief = QS_initShader("relief");
    shaders.finish = QS_initShader("finish");
    shaders.present = QS_initShader("present");

    textures.paper = QS_initTexture("paper.png");
    textures.stone = QS_initTexture("stone.png");
    // The sky wraps around horizontally but must not wrap from zenith to nadir.
    textures.sky = QS_initTexture("sky.hdr");
    QS_setTextureParam(textures.sky, QS_GL.TEXTURE_WRAP_T, QS_GL.CLAMP_TO_EDGE);

    for (var name in targets) targets[name] = QS_initRenderTarget(16, 16, 32);
}

function preRender(width, height) {
    // Grow the output by the border on every side; the host centres the input.
    var border = Math.max(0, Math.round(value("border")));
    QS_setOutputExtent(width + 2 * border, height + 2 * border);
    // Softness is a blur radius in pixels, about two standard deviations.
    QS_setParamValue(P.blurSigma, Math.max(0, value("softness")) / 2);
}

function updateUIFlags() {
    var point = value("lightType") == POINT;
    QS_setParamEnabled(P.lightAngle, !point);
    QS_setParamEnabled(P.lightPosition, point);

    var finish = value("finish");
    var grained = finish == PAPER || finish == STONE;
    QS_setParamEnabled(P.grainAmount, grained);
    QS_setParamEnabled(P.grainScale, grained);
    QS_setParamEnabled(P.reflectivity, finish == CHROME);

    // The strength scales ordered dithering and is the black-and-white
    // threshold; error diffusion ignores it, and serpentine only matters there.
    var retro = value("retro") != 0;
    var dither = chosen(DITHERS, "dither");
    var ordered = dither >= FIRST_ORDERED;
    var threshold = chosen(PALETTES, "palette") == BLACK_AND_WHITE;
    QS_setParamEnabled(P.palette, retro);
    QS_setParamEnabled(P.dither, retro);
    QS_setParamEnabled(P.ditherStrength, retro && (ordered || threshold));
    QS_setParamEnabled(P.serpentine, retro && dither != NO_DITHER && !ordered);
}

function draw() {
    var output = QS_getSequenceRT();
    var input = QS_getSequenceTexture();
    var outDim = QS_getSurfaceDim(output);
    var inDim = QS_getSurfaceDim(input);
    if (!outDim || !inDim) return;
    var width = outDim[0], height = outDim[1], depth = outDim[2];
    // Where the host put the input: centred, halves rounded down.
    var origin = [(width >> 1) - (inDim[0] >> 1), (height >> 1) - (inDim[1] >> 1)];
    // The height field: `scale` output pixels a texel, covering the output.
    var sigma = value("blurSigma");
    // Chrome mirrors the sky in every slope: interpolated slopes would bend
    // its reflections, so it keeps a full-size field.
    var scale = sigma >= HALF_FIELD_SIGMA && value("finish") != CHROME ? 2 : 1;
    var fieldWidth = Math.ceil(width / scale), fieldHeight = Math.ceil(height / scale);
    var geometry = {
        outSize: [width, height],
        fieldSize: [fieldWidth * scale, fieldHeight * scale],
        inOrigin: origin,
        inSize: [inDim[0], inDim[1]]
    };

    // The input and the height map are uploaded anew every frame, which
    // resets their wrapping.
    clampToEdge(input);
    var heightMap = value("heightMap");
    clampToEdge(heightMap);
    // An unconnected layer parameter keeps the 2 x 2 texture it was made with.
    var mapDim = QS_getSurfaceDim(heightMap);
    var useHeightMap = mapDim && (mapDim[0] > 2 || mapDim[1] > 2);

    var finish = value("finish");
    var grain = finish == STONE ? textures.stone : textures.paper;
    var grainScale = 1 / (2.56 * Math.max(10, value("grainScale")));
    var grainAmount = value("grainAmount") / 100;

    // 1. Height field, softened by its own reads as far as they reach.
    var variance = sigma * sigma - (scale == 2 ? HALF_FIELD_VARIANCE : 0);
    var heightVariance = Math.min(Math.max(0, variance), MAX_HEIGHT_VARIANCE[scale]);
    var heightA = target("heightA", fieldWidth, fieldHeight, 32);
    // Paper is a finer, flatter grain than stone.
    var grainDepth = (finish == PAPER ? 0.5 : finish == STONE ? 1 : 0) * grainAmount;
    var sh = useHeightMap || grainDepth > 0 ? shaders.height : shaders.plainHeight;
    setAll(sh, geometry);
    QS_setShaderParamVal(sh, "inputTex", input);
    QS_setShaderParam(sh, P.heightMap);
    QS_setShaderParamVal(sh, "useHeightMap", useHeightMap ? 1 : 0);
    QS_setShaderParam(sh, P.invert);
    QS_setShaderParamVal(sh, "grainTex", grain);
    QS_setShaderParamVal(sh, "grainDepth", grainDepth);
    QS_setShaderParamVal(sh, "grainScale", grainScale);
    QS_setShaderParamVal(sh, "spread", heightSpread(scale, heightVariance));
    QS_renderShader(sh, heightA, false);

    // 2. The rest of the softness: Gaussian passes, each pass pair blurring
    // heightA in place, in field texels.
    var fieldSigma = Math.sqrt(Math.max(0, variance - heightVariance)) / scale;
    if (fieldSigma > 0.05) {
        var heightB = target("heightB", fieldWidth, fieldHeight, 32);
        var passes = Math.min(16, Math.ceil(Math.pow(fieldSigma / MAX_PASS_SIGMA, 2)));
        var bl = shaders.blur;
        setAll(bl, gaussianTaps(fieldSigma / Math.sqrt(passes)));
        for (var i = 0; i < passes; ++i) {
            QS_setShaderParamVal(bl, "heightField", heightA);
            QS_setShaderParamVal(bl, "direction", [1 / fieldWidth, 0]);
            QS_renderShader(bl, heightB, false);
            QS_setShaderParamVal(bl, "heightField", heightB);
            QS_setShaderParamVal(bl, "direction", [0, 1 / fieldHeight]);
            QS_renderShader(bl, heightA, false);
        }
    }

    // 3. Light and drop shadow at the field's size, into an 8-bit target;
    // chrome also needs the normals, in floats.
    var elevation = Math.min(89, Math.max(1, value("elevation"))) * Math.PI / 180;
    var sl = shaders.slope;
    setAll(sl, geometry);
    setAll(sl, lightUniforms(elevation, origin, inDim));
    QS_setShaderParamVal(sl, "heightField", heightA);
    QS_setShaderParam(sl, P.height);
    QS_setShaderParamVal(sl, "shine", value("shine") / 100);
    QS_setShaderParamVal(sl, "shadow", value("shadow") / 100);
    var light = target("light", fieldWidth, fieldHeight, 8);
    QS_renderShader(sl, light, false);
    var slopes = light;
    if (finish == CHROME) {
        slopes = target("slopes", fieldWidth, fieldHeight, 32);
        setAll(shaders.normals, { heightField: heightA, fieldSize: geometry.fieldSize });
        QS_renderShader(shaders.normals, slopes, false);
    }

    // 4. Lighting and finish.
    var rs = finish == PAPER || finish == STONE || finish == CHROME ? shaders.finish : shaders.relief;
    setAll(rs, geometry);
    QS_setShaderParamVal(rs, "light", light);
    QS_setShaderParamVal(rs, "slopes", slopes);
    QS_setShaderParamVal(rs, "inputTex", input);
    QS_setShaderParamVal(rs, "grainTex", grain);
    QS_setShaderParamVal(rs, "environment", textures.sky);
    var linked = ["height", "finish", "lightColor", "ambientColor"];
    for (var k = 0; k < linked.length; ++k) QS_setShaderParam(rs, P[linked[k]]);
    // A flat surface facing a directional light receives sin(elevation);
    // dividing by it keeps flat areas at the input's own brightness. A point
    // light is brightest right under it.
    var flatLight = value("lightType") == POINT ? 1 : Math.max(Math.sin(elevation), 0.15);
    QS_setShaderParamVal(rs, "flatLight", flatLight);
    QS_setShaderParamVal(rs, "colourAmount", value("colourAmount") / 100);
    QS_setShaderParamVal(rs, "grainAmount", grainAmount);
    QS_setShaderParamVal(rs, "grainScale", grainScale);
    QS_setShaderParamVal(rs, "reflectivity", value("reflectivity") / 100);

    if (value("retro") == 0) {
        QS_setShaderParamVal(rs, "retroBias", 0);
        // flip: the output is read back bottom row first.
        QS_renderShader(rs, output, true);
        return;
    }
    posterize(rs, output, width, height, depth);
}

// 5. Retro: shade into a work target, quantize it on the CPU, copy it out.
function posterize(rs, output, width, height, depth) {
    var palette = chosen(PALETTES, "palette");
    var dither = chosen(DITHERS, "dither");
    var strength = value("ditherStrength") / 100;
    // Ordered dithering adds offsets of 0.5 on average (scaled by the
    // strength, or by 0.2 against the black-and-white threshold); taking
    // that much off beforehand keeps the picture's brightness.
    var bias = 0;
    if (dither >= FIRST_ORDERED) bias = palette == BLACK_AND_WHITE ? 0.1 : 0.5 * strength;
    QS_setShaderParamVal(rs, "retroBias", bias);

    // A 16-bit surface expects host values (0..32768), but a 16-bit target
    // reads back as 0..65535: quantize 16-bit frames in float instead.
    var workDepth = depth == 16 ? 32 : depth;
    var work = target("shade", width, height, workDepth);
    // Not flipped: the surface's first row is the picture's top row, so error
    // diffusion runs down the picture.
    QS_renderShader(rs, work, false);
    var surface = QS_textureToSurface(work);
    QS_surfaceQuantize(surface, false, palette, dither, strength, value("serpentine") != 0);
    if (workDepth == depth) {
        QS_surfaceCopyTo(surface, output, true);
    } else {
        var retro = target("retro", width, height, workDepth);
        QS_surfaceCopyTo(surface, retro, false);
        QS_setShaderParamVal(shaders.present, "image", retro);
        QS_renderShader(shaders.present, output, true);
    }
    QS_release(surface);
}

// Where the light is, for slope.frag: a directional light's direction
// (light angle 0 from the top, 90 from the right; image y grows downward) and
// the way its shadows fall, or a point light's position in output pixels,
// raised by half the input's larger side times tan(elevation).
function lightUniforms(elevation, origin, inDim) {
    if (value("lightType") == POINT) {
        var position = value("lightPosition");
        var lift = 0.5 * Math.max(inDim[0], inDim[1]) * Math.tan(elevation);
        return {
            lightVector: [position[0] + origin[0], position[1] + origin[1], lift],
            pointLight: 1,
            shadowAway: [0, 0]
        };
    }
    var a = value("lightAngle") * Math.PI / 180;
    var x = Math.sin(a) * Math.cos(elevation), y = -Math.cos(a) * Math.cos(elevation);
    var length = Math.sqrt(x * x + (y + 0.0001) * (y + 0.0001));
    return {
        lightVector: [x, y, Math.sin(elevation)],
        pointLight: 0,
        shadowAway: [-x / length, -(y + 0.0001) / length]
    };
}

// height.frag's read distance for `variance` (output pixels squared) on top
// of what a field of `scale` pixels a texel averages anyway. Per axis, reads
// `spread` pixels either side of a full-size texel's centre weigh its
// neighbours spread / 2 each (variance: spread); on a half-size field, whose
// centre falls between two pixels, reads 0.5 + t away weigh the outer pair t
// / 2 each (variance: 2t more than the pair alone).
function heightSpread(scale, variance) {
    return scale == 2 ? 0.5 + variance / 2 : variance;
}

// blur.frag's uniforms for a Gaussian of `sigma` texels (at most 8 / 3),
// cut off at 3 sigma: texels 2i + 1 and 2i + 2 to a side share tap i.
function gaussianTaps(sigma) {
    var radius = Math.ceil(3 * sigma);
    var weight = function (x) {
        return x > radius ? 0 : Math.exp(-0.5 * x * x / (sigma * sigma));
    };
    var offsets = [1, 1, 1, 1], weights = [0, 0, 0, 0], total = 1;
    for (var i = 0; i < 4; ++i) {
        var near = 2 * i + 1, wNear = weight(near), wFar = weight(near + 1);
        weights[i] = wNear + wFar;
        if (weights[i] > 0) offsets[i] = (near * wNear + (near + 1) * wFar) / weights[i];
        total += 2 * weights[i];
    }
    for (var k = 0; k < 4; ++k) weights[k] /= total;
    return { centre: 1 / total, offsets: offsets, weights: weights };
}

// Sets the uniforms named by an object's keys to its values.
function setAll(shader, values) {
    for (var name in values) QS_setShaderParamVal(shader, name, values[name]);
}
