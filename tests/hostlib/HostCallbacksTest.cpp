// The host's callbacks and suites as an effect calls them, straight from the
// in_data the host hands over.
#include <gtest/gtest.h>

#include <memory>

#include "TestEffectHost.h"

namespace {

template <class Suite>
const Suite* acquire(const PF_InData& in, const char* name, std::int32_t version) {
    const void* suite = nullptr;
    return in.pica_basicP->AcquireSuite(name, version, &suite) == 0
               ? static_cast<const Suite*>(suite)
               : nullptr;
}

TEST(HostCallbacks, CheckoutGivesEachValueAtTheRequestedTimeInHostUnits) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    t.host.addKeyframe(id, kGrow, 0.0, {0});
    t.host.addKeyframe(id, kGrow, 2.0, {10});
    PF_InData in = t.host.makeInData(id);
    const auto checkout = [&](PF_ParamIndex index, A_long time, A_u_long scale) {
        PF_ParamDef def{};
        EXPECT_EQ(in.inter.checkout_param(in.effect_ref, index, time, 1, scale, &def), 0);
        EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &def), 0);
        return def;
    };
    EXPECT_EQ(checkout(kGrow, 1, 1).u.fs_d.value, 5.0);
    EXPECT_EQ(checkout(kGrow, 3, 2).u.fs_d.value, 7.5);
    EXPECT_EQ(checkout(kAngle, 0, 1).u.ad.value, 90 << 16);
    EXPECT_EQ(checkout(kEnabled, 0, 1).u.bd.value, 1);
    EXPECT_EQ(checkout(kMode, 0, 1).u.pd.value, 2);
    // A point's default is a percentage of the layer: the composition's size
    // until a frame is rendered.
    const PF_ParamDef centre = checkout(kCentre, 0, 1);
    EXPECT_EQ(centre.u.td.x_value, 960 << 16);
    EXPECT_EQ(centre.u.td.y_value, 270 << 16);
    EXPECT_EQ(checkout(kSpot, 0, 1).u.point3d_d.z_value, 3.0);

    const PF_ParamDef tint = checkout(kTint, 0, 1);
    auto* colors = acquire<PF_ColorParamSuite1>(in, kPFColorParamSuite, 1);
    ASSERT_NE(colors, nullptr);
    PF_PixelFloat red{};
    EXPECT_EQ(colors->PF_GetFloatingPointColorFromColorDef(in.effect_ref, &tint, &red), 0);
    EXPECT_EQ(red.red, 1.0f);
    EXPECT_EQ(red.green, 0.0f);
    EXPECT_EQ(red.alpha, 1.0f);
    const PF_ParamDef grow = checkout(kGrow, 0, 1);
    EXPECT_NE(colors->PF_GetFloatingPointColorFromColorDef(in.effect_ref, &grow, &red), 0);
    in.pica_basicP->ReleaseSuite(kPFColorParamSuite, 1);

    // Checkouts stay counted until checked in; strangers are refused.
    PF_ParamDef held{};
    EXPECT_EQ(in.inter.checkout_param(in.effect_ref, kGrow, 0, 1, 1, &held), 0);
    EXPECT_EQ(t.host.outstandingParamCheckouts(), 1);
    EXPECT_EQ(in.inter.checkin_param(in.effect_ref, &held), 0);
    EXPECT_NE(in.inter.checkin_param(in.effect_ref, &held), 0);
    EXPECT_EQ(t.host.outstandingParamCheckouts(), 0);
    EXPECT_EQ(in.inter.checkout_param(in.effect_ref, kTestParamCount, 0, 1, 1, &held),
              PF_Err_INVALID_INDEX);
    EXPECT_NE(in.inter.checkout_param(&t.host, kGrow, 0, 1, 1, &held), 0);
    EXPECT_NE(in.inter.checkout_param(in.effect_ref, kGrow, 0, 1, 0, &held), 0);
    EXPECT_NE(in.inter.add_param(in.effect_ref, -1, &held), 0);  // only at parameter set-up
    EXPECT_EQ(t.host.outstandingSuites(), 0);
}

TEST(HostCallbacks, ImageSuitesAnswerByDepthAndOnlyForTheHostsImages) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    PF_InData in = t.host.makeInData(id);
    PF_ParamDef matte{};
    ASSERT_EQ(in.inter.checkout_param(in.effect_ref, kMatte, 0, 1, 1, &matte), 0);
    EXPECT_EQ(matte.u.ld.data, nullptr);  // no layer chosen

    t.host.setLayer(id, kMatte, std::make_shared<HostWorld>(positions(6, 4, 16)));
    ASSERT_EQ(in.inter.checkout_param(in.effect_ref, kMatte, 0, 1, 1, &matte), 0);
    ASSERT_NE(matte.u.ld.data, nullptr);
    EXPECT_EQ(matte.u.ld.width, 6);
    EXPECT_EQ(matte.u.ld.height, 4);

    auto* pixels = acquire<PF_PixelDataSuite1>(in, kPFPixelDataSuite, 1);
    auto* worlds = acquire<PF_WorldSuite2>(in, kPFWorldSuite, 2);
    ASSERT_TRUE(pixels && worlds);
    PF_Pixel8* p8 = nullptr;
    PF_Pixel16* p16 = nullptr;
    PF_PixelFloat* pf = nullptr;
    EXPECT_EQ(pixels->get_pixel_data8(&matte.u.ld, nullptr, &p8), 0);
    EXPECT_EQ(pixels->get_pixel_data16(&matte.u.ld, nullptr, &p16), 0);
    EXPECT_EQ(pixels->get_pixel_data_float(&matte.u.ld, nullptr, &pf), 0);
    EXPECT_EQ(p8, nullptr);
    EXPECT_EQ(p16, matte.u.ld.data);
    EXPECT_EQ(pf, nullptr);
    PF_PixelFormat format = 0;
    EXPECT_EQ(worlds->PF_GetPixelFormat(&matte.u.ld, &format), 0);
    EXPECT_EQ(format, PF_PixelFormat_ARGB64);

    // The utility copy converts between the host's images.
    HostWorld stranger(6, 4, 8);
    EXPECT_NE(pixels->get_pixel_data8(&stranger.world(), nullptr, &p8), 0);
    EXPECT_EQ(p8, nullptr);
    EXPECT_NE(in.utils->copy(in.effect_ref, &matte.u.ld, &stranger.world(), nullptr, nullptr), 0);
    EXPECT_NE(in.utils->fill(in.effect_ref, nullptr, nullptr, &stranger.world()), 0);
    in.pica_basicP->ReleaseSuite(kPFPixelDataSuite, 1);
    in.pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
    in.inter.checkin_param(in.effect_ref, &matte);
    in.inter.checkin_param(in.effect_ref, &matte);
    EXPECT_EQ(t.host.outstandingSuites(), 0);
    EXPECT_EQ(t.host.outstandingParamCheckouts(), 0);
}

TEST(HostCallbacks, EachApplicationOffersItsOwnSuites) {
    TestEffectHost ae;
    PF_InData in = ae.host.makeInData();
    EXPECT_NE(acquire<AEGP_LayerSuite11>(in, kAEGPLayerSuite, 11), nullptr);
    EXPECT_EQ(acquire<PF_SequenceInfoSuite2>(in, kPFSequenceInfoSuite, 2), nullptr);
    EXPECT_EQ(acquire<PF_PixelFormatSuite1>(in, kPFPixelFormatSuite, 1), nullptr);
    EXPECT_EQ(acquire<PF_ParamUtilsSuite3>(in, kPFParamUtilsSuite, 4), nullptr);
    ae.host.refuseSuite(kPFParamUtilsSuite);
    EXPECT_EQ(acquire<PF_ParamUtilsSuite3>(in, kPFParamUtilsSuite, 3), nullptr);
    in.pica_basicP->ReleaseSuite(kAEGPLayerSuite, 11);
    EXPECT_EQ(ae.host.outstandingSuites(), 0);
}

TEST(HostCallbacks, PremiereOffersItsSequenceSuitesInstead) {
    TestEffectHost premiere(HostApplication::Premiere);
    PF_InData in = premiere.host.makeInData();
    EXPECT_EQ(acquire<AEGP_PFInterfaceSuite1>(in, kAEGPPFInterfaceSuite, 1), nullptr);
    EXPECT_NE(acquire<PF_SequenceInfoSuite2>(in, kPFSequenceInfoSuite, 2), nullptr);
    EXPECT_NE(acquire<PF_UtilitySuite3>(in, kPFUtilitySuite, 3), nullptr);
}

TEST(HostCallbacks, CallbacksAnswerWithErrorsOnceTheHostIsGone) {
    EffectModule module(QS_TEST_EFFECT, EffectModule::WithoutPropertyList);
    auto host = std::make_unique<SimulatedHost>(module);
    PF_InData in = host->makeInData();
    const PF_UtilCallbacks utils = *in.utils;
    const SPBasicSuite basic = *in.pica_basicP;
    const void* suite = nullptr;
    ASSERT_EQ(basic.AcquireSuite(kPFHandleSuite, 2, &suite), 0);
    const auto* handles = static_cast<const PF_HandleSuite2*>(suite);
    host.reset();

    PF_ParamDef def{};
    EXPECT_NE(in.inter.checkout_param(in.effect_ref, 1, 0, 1, 1, &def), 0);
    EXPECT_NE(in.inter.add_param(in.effect_ref, -1, &def), 0);
    EXPECT_NE(utils.fill(in.effect_ref, nullptr, nullptr, nullptr), 0);
    EXPECT_NE(basic.AcquireSuite(kPFHandleSuite, 2, &suite), 0);
    EXPECT_EQ(handles->host_new_handle(8), nullptr);
    handles->host_dispose_handle(nullptr);
}

}  // namespace
