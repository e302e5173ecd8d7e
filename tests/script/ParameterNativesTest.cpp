#include <gtest/gtest.h>

#include <string>

#include "EffectScriptTest.h"

namespace {

const char kEveryKind[] = R"(
var p = {}, duringSetup;
function setup() {
    p.gain = QS_initParam("gain", QS_Type.FLOAT, "Gain");
    duringSetup = QS_getParamValue(p.gain);
    QS_setParamMinMax(p.gain, -2.5, 8);
    QS_setParamValue(p.gain, 0.75);
    p.centre = QS_initParam("centre", QS_Type.POINT);
    QS_setParamValue(p.centre, [1, 2]);
    p.tint = QS_initParam("tint", QS_Type.COLOR);
    QS_setParamValue(p.tint, [0.25, 0.5, 0.75, 1]);
    QS_setParamValue(p.tint, 1);
    p.matte = QS_initParam("matte", QS_Type.LAYER);
    p.offset = QS_initParam("offset", QS_Type.POINT2D);
    QS_setParamValue(p.offset, [-3, 4.5, 99]);
    p.pattern = QS_initParam("pattern", QS_Type.TEXTURE);
    QS_setParamValue(p.pattern, QS_getParamValue(p.matte) + 0.5);
    p.invert = QS_initParam("invert", QS_Type.BOOL);
    QS_setParamValue(p.invert, true);
    p.mode = QS_initParam("mode", QS_Type.POPUP, "Mode");
    QS_setParamChoices(p.mode, "Add|Multiply|Screen");
    QS_setParamValue(p.mode, 2.9);
    p.spin = QS_initParam("spin", QS_Type.ANGLE);
    QS_setParamMinMax(p.spin, 0, 1);
    QS_setParamValue(p.spin, -90);
    p.group = QS_initParam("group", QS_Type.GROUP_START);
}
function updateUIFlags() { QS_setParamEnabled(p.spin, QS_getParamValue(p.invert)); }
)";

}  // namespace

using ParameterNatives = EffectScriptTest;

TEST_F(ParameterNatives, AnEffectDeclaresEveryKindAndReadsItBack) {
    load(kEveryKind);
    EXPECT_EQ(jx("[duringSetup, p.gain, p.group]"), "[0,16777217,16777226]");
    EXPECT_EQ(
        jx("[QS_getParamValue(p.gain), QS_getParamValue(p.centre), QS_getParamValue(p.tint)]"),
        "[0.75,[1,2,NaN],[0.25,0.5,0.75,1]]");
    // The layer's own 2 x 2 texture is the first texture.
    EXPECT_EQ(jx("[QS_getParamValue(p.matte), QS_getParamValue(p.pattern), "
                 "QS_getParamValue(p.offset), QS_getSurfaceDim(QS_getParamValue(p.matte))]"),
              "[67108865,67108865,[-3,4.5],[2,2,8]]");
    // A kind without a value answers with its handle.
    EXPECT_EQ(jx("[QS_getParamValue(p.invert), QS_getParamValue(p.mode), QS_getParamValue(p.spin),"
                 " QS_getParamValue(p.group)]"),
              "[1,2,-90,16777226]");

    const Parameter& gain = context().getParameter(0x1000001);
    EXPECT_EQ(gain.label, "Gain");
    EXPECT_EQ(gain.minimum[0], -2.5f);
    EXPECT_EQ(gain.maximum[0], 8.0f);
    EXPECT_EQ(context().getParameter(0x1000009).maximum[0], 100.0f);  // an ANGLE keeps its range
    EXPECT_EQ(context().getParameter(0x1000008).choiceCount, 3u);
    EXPECT_EQ(context().getParameter(0x1000002).label, "");

    run("updateUIFlags();");
    EXPECT_EQ(jx("QS_getParamFlags(p.spin)"), "0");
    run("QS_setParamValue(p.invert, 0); updateUIFlags();");
    EXPECT_EQ(jx("QS_getParamFlags(p.spin)"), "2");
}

TEST_F(ParameterNatives, WritesGoToTheCurrentInstanceCopyOnceItExists) {
    load(kEveryKind);
    const std::uint32_t second = context().addInstance();
    run("QS_setParamValue(p.gain, 3);");
    EXPECT_EQ(jx("QS_getParamValue(p.gain)"), "3");
    EXPECT_EQ(context().at(0).value[0], 0.75f);
    context().setCurrentInstance(second);
    EXPECT_EQ(jx("QS_getParamValue(p.gain)"), "0.75");
    context().setCurrentInstance(0);

    // A released parameter leaves the registry; the copy keeps it until the
    // instance's next copy, and its handle is the next one handed out.
    run("QS_release(p.gain);");
    EXPECT_EQ(context().count(), 9u);
    EXPECT_EQ(jx("QS_getParamValue(p.gain)"), "3");
    sequence().assign(context());
    EXPECT_EQ(jx("[QS_getParamValue(p.gain), QS_initParam('again', 1)]"), "[false,16777217]");
}

TEST_F(ParameterNatives, ArgumentsConvertAsTheEngineCoercesThem) {
    load(R"(
        var a, b, mode, point;
        function setup() {
            a = QS_initParam("a", QS_Type.FLOAT);
            b = QS_initParam(42, "1", undefined);
            mode = QS_initParam("mode", QS_Type.POPUP);
            point = QS_initParam("point", QS_Type.POINT);
        })");
    EXPECT_EQ(jx("[QS_initParam('gain'), QS_initParam(), QS_initParam('odd', 4294967297)]"),
              "[0,0,16777221]");
    EXPECT_EQ(context().getParameter(0x1000002).name, "42");
    EXPECT_EQ(context().getParameter(0x1000002).kind, 1u);
    EXPECT_EQ(context().getParameter(0x1000002).label, "undefined");
    EXPECT_EQ(context().getParameter(0x1000005).kind, 0x7FFFFFFFu);

    // Precision and flags share one word.
    run("QS_setParamPrecision(a, 2); QS_setParamFlags(a, 8);");
    run("QS_setParamFlags(b, 8); QS_setParamPrecision(b, 2); QS_setParamEnabled(b, 0.5);");
    EXPECT_EQ(jx("[QS_getParamFlags(a), QS_getParamFlags(b)]"), "[8,33554442]");
    run("QS_setParamPrecision(a, 200); QS_setParamEnabled(b, -1);");
    EXPECT_EQ(jx("[QS_getParamFlags(a), QS_getParamFlags(b)]"), "[-939524088,33554440]");
    EXPECT_EQ(jx("[QS_setParamPrecision(b, 4294967296), QS_getParamFlags(b)]"), "[true,-16777208]");

    // Handles and values convert as every native's arguments do; vectors must be
    // genuine arrays.
    EXPECT_EQ(jx("[QS_setParamValue(mode + 0.9, -7.9), QS_getParamValue(String(mode))]"),
              "[true,-7]");
    EXPECT_EQ(jx("[QS_getParamValue(undefined), QS_getParamValue(-1), "
                 "QS_getParamValue(mode + 4294967296)]"),
              "[false,false,false]");
    run("QS_setParamValue(point, [1, 2, 3]); QS_setParamValue(point, {0: 7, length: 1});");
    EXPECT_EQ(jx("QS_getParamValue(point)"), "[1,2,3]");
    run("QS_setParamValue(point, ['4', undefined, 1e40]);");
    EXPECT_EQ(jx("QS_getParamValue(point)"), "[4,NaN,Infinity]");

    // Choices convert before the handle is tested; a value only after.
    run("var seen = 0, counted = { toString: function() { ++seen; return '1'; } };"
        "QS_setParamChoices(0x2000001, counted); QS_setParamValue(0x2000001, counted);");
    EXPECT_EQ(jx("seen"), "1");
}

TEST_F(ParameterNatives, OtherKindsAndMissingParametersGiveFalse) {
    load("var s, q; function setup() { q = QS_initParam('q', 1); s = QS_initShader('s', 'x'); }");
    EXPECT_EQ(jx("[s, q + 1, 0].map(function(h) { return [QS_getParamValue(h), "
                 "QS_setParamValue(h, 1), QS_setParamMinMax(h, 0, 1), QS_setParamChoices(h, 'a'), "
                 "QS_setParamPrecision(h, 1), QS_setParamEnabled(h, 0), QS_setParamFlags(h, 1), "
                 "QS_getParamFlags(h)].every(function(r) { return r === false; }); })"),
              "[true,true,true]");
    EXPECT_EQ(context().getParameter(0x1000001).flags, 0u);
}
