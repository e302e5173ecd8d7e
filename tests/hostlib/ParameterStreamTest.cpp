// Parameter values over time and their host units.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ParameterStream.h"

namespace {

PF_ParamDef def(PF_ParamType type) {
    PF_ParamDef d{};
    d.param_type = type;
    return d;
}

TEST(ParameterStream, InterpolatesKeyframesLinearlyAndHoldsChoices) {
    const StreamScale scale;
    ParameterStream slider(def(PF_Param_FLOAT_SLIDER));
    slider.setConstant({3.0});
    slider.addKeyframe(2.0, {10.0});  // replaces the constant
    slider.addKeyframe(1.0, {0.0});
    ASSERT_EQ(slider.keyframeCount(), 2u);
    EXPECT_EQ(slider.valueAt(0.0, scale)[0], 0.0);  // before the first keyframe
    EXPECT_EQ(slider.valueAt(1.25, scale)[0], 2.5);
    EXPECT_EQ(slider.valueAt(9.0, scale)[0], 10.0);
    slider.addKeyframe(2.0, {20.0});
    EXPECT_EQ(slider.valueAt(1.5, scale)[0], 10.0);
    slider.setConstant({7.0});
    EXPECT_EQ(slider.keyframeCount(), 0u);
    EXPECT_EQ(slider.valueAt(1.5, scale)[0], 7.0);

    ParameterStream popup(def(PF_Param_POPUP));
    popup.addKeyframe(0.0, {1});
    popup.addKeyframe(1.0, {3});
    PF_ParamDef out = def(PF_Param_POPUP);
    popup.fill(out, 0.99, scale);
    EXPECT_EQ(out.u.pd.value, 1);
    popup.fill(out, 1.0, scale);
    EXPECT_EQ(out.u.pd.value, 3);

    ParameterStream colour(def(PF_Param_COLOR));
    colour.addKeyframe(0.0, {0, 0, 0, 0});
    colour.addKeyframe(1.0, {255, 100, 0});  // alpha 255
    out = def(PF_Param_COLOR);
    colour.fill(out, 0.5, scale);
    EXPECT_EQ(out.u.cd.value.red, 128);
    EXPECT_EQ(out.u.cd.value.green, 50);
    EXPECT_EQ(out.u.cd.value.alpha, 128);
}

TEST(ParameterStream, FillsHostUnitsFromUserUnits) {
    StreamScale half;
    half.layerWidth = 200;
    half.layerHeight = 100;
    half.downsampleX = {1, 2};
    half.downsampleY = {1, 2};

    ParameterStream angle(def(PF_Param_ANGLE));
    angle.setConstant({90.0});
    PF_ParamDef out = def(PF_Param_ANGLE);
    angle.fill(out, 0, half);
    EXPECT_EQ(out.u.ad.value, 5898240);

    // Points arrive in the downsampled layer's pixels, 16.16 fixed; their
    // default is a percentage of the full layer.
    PF_ParamDef published = def(PF_Param_POINT);
    published.u.td.x_dephault = 50 << 16;
    published.u.td.y_dephault = 10 << 16;
    ParameterStream point(published);
    out = published;
    point.fill(out, 0, half);
    EXPECT_EQ(out.u.td.x_value, 50 << 16);
    EXPECT_EQ(out.u.td.y_value, 5 << 16);
    point.setConstant({10.5, 20.0});
    point.fill(out, 0, half);
    EXPECT_EQ(out.u.td.x_value, 5.25 * 65536);
    EXPECT_EQ(out.u.td.y_value, 10 << 16);

    ParameterStream spot(def(PF_Param_POINT_3D));
    spot.setConstant({1.5, -2, 1e6});
    out = def(PF_Param_POINT_3D);
    spot.fill(out, 0, half);
    EXPECT_EQ(out.u.point3d_d.z_value, 1e6);

    ParameterStream check(def(PF_Param_CHECKBOX));
    EXPECT_THROW(check.setConstant({1, 2}), std::invalid_argument);
    EXPECT_THROW(ParameterStream(def(PF_Param_LAYER)).setConstant({1}), std::invalid_argument);
    EXPECT_THROW(ParameterStream(def(PF_Param_COLOR)).addKeyframe(0, {1, 2}),
                 std::invalid_argument);
    ParameterStream huge(def(PF_Param_ANGLE));
    huge.setConstant({1e300});
    huge.fill(out, 0, half);  // saturates instead of overflowing
    EXPECT_EQ(out.u.ad.value, INT32_MAX);
}

}  // namespace
