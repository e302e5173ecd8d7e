// Cost of the per-frame script calls: compiling and running the call text of
// preRender and draw, then the full garbage collection that follows every
// evaluation. The natives are no-ops that return what their real versions
// return in kind, so only the engine's share of a frame is measured.

#include <benchmark/benchmark.h>

#include <iterator>

#include "script/ScriptText.h"
#include "script/Scripting.h"

namespace {

duk_ret_t returnsHandle(duk_context* ctx) {
    duk_push_uint(ctx, 0x02000001u);
    return 1;
}

duk_ret_t returnsTrue(duk_context* ctx) {
    duk_push_true(ctx);
    return 1;
}

duk_ret_t returnsNumber(duk_context* ctx) {
    duk_push_number(ctx, 0.5);
    return 1;
}

duk_ret_t returnsArray(duk_context* ctx) {
    duk_push_array(ctx);
    for (duk_uarridx_t i = 0; i < 3; ++i) {
        duk_push_int(ctx, 1920);
        duk_put_prop_index(ctx, -2, i);
    }
    return 1;
}

duk_ret_t returnsText(duk_context* ctx) {
    duk_push_string(ctx, "");
    return 1;
}

const NativeFunction kStubs[] = {
    {"QS_initParam", returnsHandle, DUK_VARARGS},
    {"QS_getParamValue", returnsNumber, 1},
    {"QS_setParamValue", returnsTrue, 2},
    {"QS_setParamMinMax", returnsTrue, 3},
    {"QS_setParamChoices", returnsTrue, 2},
    {"QS_setParamPrecision", returnsTrue, 2},
    {"QS_setParamEnabled", returnsTrue, 2},
    {"QS_setParamFlags", returnsTrue, 2},
    {"QS_getParamFlags", returnsNumber, 1},
    {"QS_initRenderTarget", returnsHandle, 3},
    {"QS_blitRenderTarget", returnsTrue, 4},
    {"QS_getSurfaceDim", returnsArray, 1},
    {"QS_getSequenceRT", returnsHandle, 0},
    {"QS_getSequenceTexture", returnsHandle, 0},
    {"QS_initShader", returnsHandle, DUK_VARARGS},
    {"QS_setShaderParam", returnsTrue, 2},
    {"QS_getShaderParamType", returnsNumber, 2},
    {"QS_renderShader", returnsTrue, 4},
    {"QS_setShaderParamVal", returnsTrue, 3},
    {"QS_getShaderError", returnsText, 1},
    {"QS_initTexture", returnsHandle, DUK_VARARGS},
    {"QS_setTextureParam", returnsTrue, 3},
    {"QS_initSurface", returnsHandle, DUK_VARARGS},
    {"QS_textureToSurface", returnsHandle, 1},
    {"QS_surfaceToTexture", returnsHandle, 1},
    {"QS_surfaceQuantize", returnsTrue, 6},
    {"QS_surfaceCopyTo", returnsTrue, 3},
    {"QS_getTime", returnsNumber, 0},
    {"QS_release", returnsTrue, 1},
    {"QS_setOutputExtent", returnsTrue, 2},
    {"QS_getContextExtent", returnsArray, 0},
    {"QS_getInputOrigin", returnsArray, 0},
};

// A script of the usual shape: a handful of parameters and shader passes, a
// lookup table kept alive between frames, and per-frame work that reads the
// parameters and drives the passes.
const char kTypicalScript[] = R"(
import Q;
var params = {};
var passes = [];
var rt = [];
var curve = [];
for (var i = 0; i < 256; ++i) { curve.push(Math.pow(i / 255, 2.2)); }

function setup() {
    params.amount = Q.S.initParam("amount", QS_Type.FLOAT, "Amount");
    Q.S.setParamMinMax(params.amount, 0, 100);
    params.angle = Q.S.initParam("angle", QS_Type.ANGLE, "Angle");
    params.tint = Q.S.initParam("tint", QS_Type.COLOR, "Tint");
    params.center = Q.S.initParam("center", QS_Type.POINT2D, "Center");
    params.mode = Q.S.initParam("mode", QS_Type.POPUP, "Mode");
    Q.S.setParamChoices(params.mode, "Soft|Hard|Glow");
    params.invert = Q.S.initParam("invert", QS_Type.BOOL, "Invert");
    ["blur_h", "blur_v", "relief", "composite"].forEach(function(name) {
        passes.push({ name: name, shader: Q.S.initShader(name) });
    });
}

function preRender(w, h, n) {
    var grow = Q.S.getParamValue(params.amount) > 50 ? 2 : 1;
    Q.S.setOutputExtent(w * grow, h * grow);
}

function updateUIFlags() {
    Q.S.setParamEnabled(params.angle, Q.S.getParamValue(params.mode) != 1);
}

function draw() {
    var out = Q.S.getSequenceRT();
    var dim = Q.S.getSurfaceDim(out);
    while (rt.length < 2) { rt.push(Q.S.initRenderTarget(dim[0], dim[1], dim[2])); }
    var source = Q.S.getSequenceTexture();
    var amount = Q.S.getParamValue(params.amount);
    var tint = Q.S.getParamValue(params.tint);
    var time = Q.S.getTime();
    for (var p = 0; p < passes.length; ++p) {
        var s = passes[p].shader;
        Q.S.setShaderParamVal(s, "source", p == 0 ? source : rt[(p + 1) % 2]);
        Q.S.setShaderParamVal(s, "amount", amount / 100);
        Q.S.setShaderParamVal(s, "tint", [tint, tint, tint, 1]);
        Q.S.setShaderParamVal(s, "time", time);
        Q.S.setShaderParamVal(s, "gamma", curve[Math.floor(amount * 2.55)]);
        Q.S.renderShader(s, p == passes.length - 1 ? out : rt[p % 2], false, [0, 0, dim[0], dim[1]]);
    }
}
)";

void loadTypicalScript() {
    Scripting& scripting = Scripting::instance();
    scripting.init();
    scripting.registerNatives(kStubs, std::size(kStubs));
    scripting.eval(buildScriptText(kTypicalScript).c_str());
}

void BM_PreRender(benchmark::State& state) {
    loadTypicalScript();
    for (auto _ : state) {
        Scripting::instance().eval("preRender(1920,1080,1);");
    }
    if (!Scripting::instance().lastError().message.empty()) {
        state.SkipWithError(Scripting::instance().lastError().message.c_str());
    }
}
BENCHMARK(BM_PreRender)->Unit(benchmark::kMicrosecond);

void BM_Draw(benchmark::State& state) {
    loadTypicalScript();
    for (auto _ : state) {
        Scripting::instance().eval("draw();");
    }
    if (!Scripting::instance().lastError().message.empty()) {
        state.SkipWithError(Scripting::instance().lastError().message.c_str());
    }
}
BENCHMARK(BM_Draw)->Unit(benchmark::kMicrosecond);

void BM_Frame(benchmark::State& state) {
    loadTypicalScript();
    for (auto _ : state) {
        Scripting::instance().eval("preRender(1920,1080,1);");
        Scripting::instance().eval("draw();");
    }
    if (!Scripting::instance().lastError().message.empty()) {
        state.SkipWithError(Scripting::instance().lastError().message.c_str());
    }
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);

}  // namespace
