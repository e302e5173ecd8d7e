// Parameters end to end: what the script declares is published to the host,
// what the user sets in the host reaches the script and its shaders, and what
// the script decides shows in the host's controls.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "EngineHost.h"

namespace {

// Declares one parameter of every kind and writes the values it reads back
// into a four-pixel output: (colour), (angle, float, checkbox, pop-up),
// (2D point x, y, 3D point x, y), (3D point z, composition width, height,
// time).
const char kProbeScript[] = R"(
var hidden, amount, where, tint, map, spot, pick, path, on, mode, turn, probe;
function setup() {
    hidden = QS_initParam("hidden", QS_Type.FLOAT, "Hidden");
    QS_setParamFlags(hidden, 1);
    QS_initParam("group", QS_Type.GROUP_START, "Group");
    amount = QS_initParam("amount", QS_Type.FLOAT, "Amount");
    QS_setParamMinMax(amount, 0, 1000);
    QS_setParamFlags(amount, QS_ParamFlags.ScaleByWidth);
    where = QS_initParam("where", QS_Type.POINT, "Where");
    tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    map = QS_initParam("map", QS_Type.LAYER, "Map");
    spot = QS_initParam("spot", QS_Type.POINT2D, "Spot");
    QS_setParamFlags(spot, QS_ParamFlags.RemoveScale);
    pick = QS_initParam("pick", QS_Type.TEXTURE, "Pick");
    QS_setParamChoices(pick, "A|B");
    path = QS_initParam("path", QS_Type.PATH, "Path");
    on = QS_initParam("on", QS_Type.BOOL, "On");
    mode = QS_initParam("mode", QS_Type.POPUP, "Mode");
    QS_setParamChoices(mode, "One|Two|Three");
    QS_setParamValue(mode, 1);
    QS_initParam("end", QS_Type.GROUP_END, "");
    turn = QS_initParam("turn", QS_Type.ANGLE, "Turn");
    probe = QS_initShader("probe");
}
function draw() {
    var s = QS_getParamValue(spot), w = QS_getParamValue(where), c = QS_getContextExtent();
    QS_setShaderParamVal(probe, "v0", QS_getParamValue(tint));
    QS_setShaderParamVal(probe, "v1", [QS_getParamValue(turn), QS_getParamValue(amount),
                                       QS_getParamValue(on), QS_getParamValue(mode)]);
    QS_setShaderParamVal(probe, "v2", [s[0], s[1], w[0], w[1]]);
    QS_setShaderParamVal(probe, "v3", [w[2], c[0], c[1], QS_getTime()]);
    QS_renderShader(probe, QS_getSequenceRT(), true);
}
)";

const char kProbeShader[] = R"(
uniform vec4 v0;
uniform vec4 v1;
uniform vec4 v2;
uniform vec4 v3;
void main() {
    float x = gl_TexCoord[0].x;
    gl_FragColor = x < 0.25 ? v0 : x < 0.5 ? v1 : x < 0.75 ? v2 : v3;
}
)";

// The four numbers the probe wrote into output pixel i, in the script's order.
std::array<float, 4> probed(const FrameResult& frame, A_long i) {
    const PF_PixelFloat p = frame.output.get(i, 0);
    return {p.red, p.green, p.blue, p.alpha};
}

using Values = std::array<float, 4>;

TEST(Parameters, ValuesSetInTheHostReachTheScriptAndItsShaders) {
    EngineHost e(
        {{"fx.js", kProbeScript}, {"probe.frag", kProbeShader}, {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    // Every kind but the hidden one is published, groups and all.
    const PublishedParameters& params = e.host.parameters();
    ASSERT_EQ(params.count(), 13);
    EXPECT_FALSE(params.find("Hidden"));

    e.host.setComposition(e.instance, Composition{640, 360, {1, 1}});
    e.host.setParam(e.instance, "Tint", std::vector<double>{255, 0, 0});
    e.host.setParam(e.instance, "Turn", 90.0);
    e.host.setParam(e.instance, "Amount", 100.0);
    e.host.setParam(e.instance, "On", 1.0);
    e.host.setParam(e.instance, "Mode", 3.0);
    e.host.setParam(e.instance, "Spot", std::vector<double>{10.5, 20});
    e.host.setParam(e.instance, "Where", std::vector<double>{1.5, -2, 3});
    const FrameTime time = FrameTime::ofFrame(5, 25);
    for (RenderMode mode : {RenderMode::Smart, RenderMode::Classic}) {
        RenderOptions options;
        options.mode = mode;
        const FrameResult frame =
            e.host.renderFrame(e.instance, HostWorld(4, 1, 32), time, options);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        EXPECT_EQ(probed(frame, 0), (Values{1, 0, 0, 1}));
        EXPECT_EQ(probed(frame, 1), (Values{90, 100, 1, 3}));
        EXPECT_EQ(probed(frame, 2), (Values{10.5f, 20, 1.5f, -2}));
        EXPECT_EQ(probed(frame, 3), (Values{3, 640, 360, 0.2f}));
    }

    // At reduced resolution a float scaled by width follows the horizontal
    // ratio, and a point without scale comes back in full-resolution pixels.
    RenderOptions reduced;
    reduced.downsampleX = {1, 4};
    reduced.downsampleY = {1, 2};
    const FrameResult frame = e.host.renderFrame(e.instance, HostWorld(16, 2, 32), time, reduced);
    ASSERT_EQ(frame.error, PF_Err_NONE);
    ASSERT_EQ(frame.output.width(), 4);
    EXPECT_EQ(probed(frame, 1)[1], 25);
    EXPECT_EQ(probed(frame, 2)[0], 10.5f);
    EXPECT_EQ(probed(frame, 2)[1], 20);
    EXPECT_EQ(e.host.outstandingParamCheckouts(), 0);
    EXPECT_EQ(e.host.outstandingSuites(), 0);

    // A failed checkout ends the frame's reading of values, not the frame.
    e.host.failParamCheckout(1);
    EXPECT_EQ(e.host.renderFrame(e.instance, HostWorld(4, 1, 32), time).error, PF_Err_NONE);
    EXPECT_EQ(e.host.outstandingParamCheckouts(), 0);

    // Without the colour suite no frame can be rendered; what was checked
    // out goes back all the same.
    e.host.refuseSuite(kPFColorParamSuite);
    EXPECT_EQ(e.host.renderFrame(e.instance, HostWorld(4, 1, 32), time).error,
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(e.host.outstandingParamCheckouts(), 0);
    EXPECT_EQ(e.host.outstandingSuites(), 0);
}

TEST(Parameters, ALayerParametersImageReachesItsSampler) {
    const char script[] = R"(
var map, copy;
function setup() {
    map = QS_initParam("map", QS_Type.LAYER, "Map");
    copy = QS_initShader("copy");
}
function draw() {
    var layer = QS_getParamValue(map);
    QS_setTextureParam(layer, QS_GL.TEXTURE_MIN_FILTER, QS_GL.NEAREST);
    QS_setTextureParam(layer, QS_GL.TEXTURE_MAG_FILTER, QS_GL.NEAREST);
    QS_setShaderParamVal(copy, "sInput0", layer);
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
)";
    EngineHost e({{"fx.js", script}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    const PF_ParamIndex map = e.host.paramIndex("Map");
    for (int depth : {8, 32}) {
        SCOPED_TRACE(depth);
        // The layer is the input's pattern upside down, so that neither the
        // input nor a mirrored layer passes for it.
        const HostWorld input = pattern(24, 10, depth);
        auto layer = std::make_shared<HostWorld>(input.width(), input.height(), depth);
        for (A_long y = 0; y < input.height(); ++y)
            std::memcpy(layer->row(y), input.row(input.height() - 1 - y),
                        static_cast<std::size_t>(input.rowBytes()));
        e.host.setLayer(e.instance, map, layer);
        for (RenderMode mode : {RenderMode::Smart, RenderMode::Classic}) {
            RenderOptions options;
            options.mode = mode;
            const FrameResult frame = e.render(input, options);
            ASSERT_EQ(frame.error, PF_Err_NONE);
            EXPECT_TRUE(samePixels(frame.output, *layer));
        }
    }
}

TEST(Parameters, ValuesAtTheFramesTimeDecideTheOutputSize) {
    const char script[] = R"(
var grow, copy;
function setup() {
    grow = QS_initParam("grow", QS_Type.FLOAT, "Grow");
    QS_setParamMinMax(grow, 0, 100);
    copy = QS_initShader("copy");
}
function preRender(w, h) { QS_setOutputExtent(w + 2 * QS_getParamValue(grow), h); }
function draw() {
    QS_setShaderParamVal(copy, "sInput0", QS_getSequenceTexture());
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
)";
    EngineHost e({{"fx.js", script}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    const PF_ParamIndex grow = e.host.paramIndex("Grow");
    e.host.addKeyframe(e.instance, grow, 0, {0});
    e.host.addKeyframe(e.instance, grow, 2, {20});
    const HostWorld input = pattern(100, 10, 8);
    for (RenderMode mode : {RenderMode::Smart, RenderMode::Classic}) {
        RenderOptions options;
        options.mode = mode;
        for (int second : {0, 1, 2}) {
            const FrameResult frame =
                e.host.renderFrame(e.instance, input, FrameTime::ofFrame(25 * second, 25), options);
            ASSERT_EQ(frame.error, PF_Err_NONE);
            EXPECT_EQ(frame.output.width(), 100 + 20 * second) << second;
            EXPECT_EQ(frame.origin.h, 10 * second) << second;
        }
    }
}

// Fields of a definition as numbers, to compare together.
template <class... T>
std::vector<double> numbers(T... values) {
    return {static_cast<double>(values)...};
}

// Publication as the host receives it.
const char kPublishedScript[] = R"(
var precise, on;
function setup() {
    QS_setParamFlags(QS_initParam("secret", QS_Type.FLOAT, "Secret"), 1);
    precise = QS_initParam("precise", QS_Type.FLOAT, "A label far longer than the host shows");
    QS_setParamMinMax(precise, -5, 5);
    QS_setParamValue(precise, 2.5);
    QS_setParamPrecision(precise, -2);
    var tint = QS_initParam("tint", QS_Type.COLOR, "Tint");
    QS_setParamValue(tint, [200.7, 128.2, 0, 255]);
    QS_initParam("second", QS_Type.COLOR, "Second");
    QS_initParam("spot", QS_Type.POINT, "Spot");
    var mode = QS_initParam("mode", QS_Type.POPUP, "Mode");
    QS_setParamChoices(mode, "One|Two");
    QS_setParamValue(mode, 70000);
    on = QS_initParam("on", QS_Type.BOOL, "On");
    QS_setParamValue(on, 256);
    QS_setParamValue(QS_initParam("turn", QS_Type.ANGLE, "Turn"), 45.5);
    QS_setParamValue(QS_initParam("centre", QS_Type.POINT2D, "Centre"), [0.3, -2]);
}
function updateUIFlags() { QS_setParamEnabled(precise, QS_getParamValue(on)); }
function draw() {}
)";

TEST(Parameters, ArePublishedAsTheHostExpectsAndFollowTheScriptsDecisions) {
    EngineHost e({{"fx.js", kPublishedScript}, {"config.xml", deepConfig()}});
    ASSERT_TRUE(e.start());
    const PublishedParameters& params = e.host.parameters();
    ASSERT_EQ(params.count(), 9);
    for (PF_ParamIndex i = 1; i < params.count(); ++i) EXPECT_EQ(params.at(i).uu.id, i + 2);

    const PF_ParamDef& precise = params.at(1);
    EXPECT_STREQ(precise.name, "A label far longer than the hos");
    EXPECT_EQ(precise.param_type, PF_Param_FLOAT_SLIDER);
    const PF_FloatSliderDef& slider = precise.u.fs_d;
    EXPECT_EQ(numbers(slider.precision, slider.value, slider.valid_min, slider.slider_max),
              numbers(-2, 2.5, -5, 5));

    const PF_ParamDef& tint = params.at(2);
    EXPECT_EQ(tint.param_type, PF_Param_COLOR);
    const PF_ColorDef& colour = tint.u.cd;
    EXPECT_EQ(
        numbers(colour.value.red, colour.value.green, colour.value.blue, colour.dephault.alpha),
        numbers(200, 128, 0, 255));

    EXPECT_EQ(params.at(4).param_type, PF_Param_POINT_3D);
    EXPECT_EQ(params.at(5).param_type, PF_Param_POPUP);
    EXPECT_EQ(params.at(6).param_type, PF_Param_CHECKBOX);
    EXPECT_EQ(numbers(params.at(5).u.pd.value, params.at(5).u.pd.num_choices,
                      params.at(6).u.bd.value, params.at(6).u.bd.dephault),
              numbers(4464, 2, 256, 0));
    EXPECT_EQ(params.at(7).u.ad.value, 45.5 * 65536);
    // A 2D point's default is a fraction of the layer in the script and a
    // 16.16 fixed-point percentage in the host: 0.3 is 30 %, -2 is -200 %.
    const PF_PointDef& centre = params.at(8).u.td;
    EXPECT_EQ(params.at(8).param_type, PF_Param_POINT);
    EXPECT_EQ(numbers(centre.x_dephault, centre.y_dephault, centre.x_value, centre.y_value),
              numbers(30 << 16, -200 * 65536, 30 << 16, -200 * 65536));
    EXPECT_EQ(e.host.optionsButtonName(), " ");
    ASSERT_TRUE(e.host.customUI());
    EXPECT_EQ(e.host.customUI()->events, PF_CustomEFlag_EFFECT);

    // Events of the colour controls, from the first colour up to the first
    // point, are reported handled; the others are left alone.
    for (PF_ParamIndex index : {1, 2, 3, 4, 5}) {
        PF_EventExtra event{};
        event.effect_win.index = index;
        PF_InData in = e.host.makeInData(e.instance);
        EXPECT_EQ(e.host.send(PF_Cmd_EVENT, in, nullptr, nullptr, &event).error, PF_Err_NONE);
        EXPECT_EQ(event.evt_out_flags, index == 2 || index == 3 ? PF_EO_HANDLED_EVENT : 0) << index;
    }

    // The script enables and disables controls at interface updates.
    const PF_ParamIndex on = e.host.paramIndex("On"), sliderIndex = 1;
    EXPECT_EQ(e.host.changeParam(e.instance, on, {1}).error, PF_Err_NONE);
    EXPECT_FALSE(e.host.paramUI(e.instance, sliderIndex).disabled());
    EXPECT_EQ(e.host.changeParam(e.instance, on, {0}).error, PF_Err_NONE);
    EXPECT_EQ(e.host.paramValue(e.instance, on).u.bd.value, 0);
    EXPECT_TRUE(e.host.paramUI(e.instance, sliderIndex).disabled());
    EXPECT_EQ(e.host.paramUI(e.instance, sliderIndex).name, "A label far longer than the hos");
    EXPECT_EQ(e.host.changeParam(e.instance, on, {1}).error, PF_Err_NONE);
    EXPECT_FALSE(e.host.paramUI(e.instance, sliderIndex).disabled());

    // Each instance decides for itself. A new one starts from the published
    // default, whose low byte (0) is all that a checkbox default keeps of 256.
    const InstanceId other = e.host.addInstance();
    EXPECT_EQ(e.host.updateParamsUI(other).error, PF_Err_NONE);
    EXPECT_TRUE(e.host.paramUI(other, sliderIndex).disabled());
    EXPECT_FALSE(e.host.paramUI(e.instance, sliderIndex).disabled());
    e.host.setParam(other, on, {1});
    EXPECT_EQ(e.host.changeParam(e.instance, on, {1}).error, PF_Err_NONE);
    EXPECT_EQ(e.host.changeParam(e.instance, on, {0}).error, PF_Err_NONE);
    EXPECT_EQ(e.host.updateParamsUI(other).error, PF_Err_NONE);
    EXPECT_FALSE(e.host.paramUI(other, sliderIndex).disabled());
    EXPECT_EQ(e.host.updateParamsUI(e.instance).error, PF_Err_NONE);
    EXPECT_TRUE(e.host.paramUI(e.instance, sliderIndex).disabled());

    // Publishing again starts the list afresh; a refused parameter ends it.
    e.host.failAddParamAfter(3);
    const CommandResult again = e.host.paramsSetup();
    EXPECT_EQ(again.error, PF_Err_NONE);
    EXPECT_EQ(again.out.num_params, 4);
    EXPECT_EQ(params.count(), 4);
}

TEST(Parameters, AMissingEffectInterfaceSuiteFailsParameterSetUpWithAMessage) {
    EngineHost e({{"fx.js", kPublishedScript}, {"config.xml", deepConfig()}});
    ASSERT_EQ(e.host.globalSetup().error, PF_Err_NONE);
    e.host.refuseSuite(kPFEffectUISuite);
    const CommandResult result = e.host.send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(result.error, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(result.out.return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(result.out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    // The parameters were published before the suite was asked for.
    EXPECT_EQ(e.host.parameters().count(), 9);
    EXPECT_EQ(e.host.outstandingSuites(), 0);
}

}  // namespace
