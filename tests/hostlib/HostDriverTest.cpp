// The effect's life as the host drives it, through the test effect module:
// publication, rendering both ways, sequence data and several instances.
#include <gtest/gtest.h>

#include <cstring>

#include "TestEffectHost.h"

namespace {

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// The output pixel at (x, y) is the input pixel at (x - dx, y).
void expectShiftedCopy(const HostWorld& output, const HostWorld& input, A_long dx) {
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            const PF_PixelFloat in = input.get(x, y), out = output.get(x + dx, y);
            ASSERT_EQ(std::memcmp(&in, &out, sizeof in), 0) << x << "," << y;
        }
}

TEST(HostDriver, KeepsThePublishedParametersAndWhatTheEffectRegistered) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const PublishedParameters& params = t.host.parameters();
    ASSERT_EQ(params.count(), kTestParamCount);
    EXPECT_EQ(params.at(0).param_type, PF_Param_LAYER);
    EXPECT_STREQ(params.at(kGrow).name, "Grow");
    EXPECT_EQ(params.at(kSpot).param_type, PF_Param_POINT_3D);
    // The effect overwrote its text after adding; the host kept a copy.
    EXPECT_STREQ(params.at(kMode).u.pd.u.namesptr, "One|Two|Three");
    EXPECT_EQ(t.host.paramIndex("Matte"), kMatte);
    EXPECT_THROW(t.host.paramIndex("Nothing"), std::invalid_argument);
    ASSERT_TRUE(t.host.customUI());
    EXPECT_EQ(t.host.customUI()->events, PF_CustomEFlag_EFFECT);
    EXPECT_EQ(t.host.optionsButtonName(), "Options");
    EXPECT_EQ(t.host.outstandingSuites(), 0);

    // Publishing again starts the list afresh; a failing add_param ends it.
    t.host.failAddParamAfter(3);
    const CommandResult again = t.host.paramsSetup();
    EXPECT_EQ(again.error, PF_Err_NONE);
    EXPECT_EQ(params.count(), 4);
    EXPECT_EQ(again.out.num_params, 4);
}

TEST(HostDriver, SmartRenderingSizesTheOutputFromPreRender) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    t.host.setParam(id, "Grow", 5.0);
    for (int depth : {8, 16, 32}) {
        const HostWorld input = positions(40, 20, depth);
        const FrameResult frame = t.host.renderFrame(id, input, FrameTime::ofFrame(3, 25));
        ASSERT_EQ(frame.error, PF_Err_NONE) << depth;
        ASSERT_EQ(frame.output.width(), 50);
        ASSERT_EQ(frame.output.height(), 20);
        EXPECT_EQ(frame.output.depth(), depth);
        EXPECT_EQ(frame.resultRect.left, -5);
        EXPECT_EQ(frame.resultRect.right, 45);
        EXPECT_EQ(frame.origin.h, 5);
        expectShiftedCopy(frame.output, input, 5);
        EXPECT_EQ(frame.output.get(4, 0).alpha, 0.0f);
    }
    EXPECT_EQ(t.log->pixelFormat, PF_PixelFormat_ARGB128);
    EXPECT_EQ(t.log->commands[PF_Cmd_SMART_PRE_RENDER], 3);
    EXPECT_EQ(t.log->commands[PF_Cmd_SMART_RENDER], 3);
    EXPECT_EQ(t.host.outstandingParamCheckouts(), 0);
    EXPECT_EQ(t.host.outstandingSuites(), 0);

    // An empty result rectangle renders nothing.
    t.host.setParam(id, "Grow", -30.0);
    const FrameResult empty = t.host.renderFrame(id, positions(40, 20), {});
    EXPECT_EQ(empty.error, PF_Err_NONE);
    EXPECT_TRUE(empty.output.empty());
    EXPECT_EQ(t.log->commands[PF_Cmd_SMART_RENDER], 3);
}

TEST(HostDriver, ClassicRenderingSizesTheOutputAtFrameSetup) {
    for (HostApplication app : {HostApplication::AfterEffects, HostApplication::Premiere}) {
        TestEffectHost t(app);
        ASSERT_TRUE(t.start());
        const InstanceId id = t.host.addInstance();
        t.host.setParam(id, "Grow", 3.0);
        // Premiere Pro renders classically whatever the mode asks.
        RenderOptions classic;
        if (app == HostApplication::AfterEffects)
            classic.mode = RenderMode::Classic;
        const HostWorld input = positions(30, 10, 16);
        const FrameResult frame = t.host.renderFrame(id, input, {}, classic);
        ASSERT_EQ(frame.error, PF_Err_NONE);
        ASSERT_EQ(frame.output.width(), 36);
        EXPECT_EQ(frame.origin.h, 3);
        expectShiftedCopy(frame.output, input, 3);
        EXPECT_EQ(t.log->commands[PF_Cmd_FRAME_SETUP], 1);
        EXPECT_EQ(t.log->commands[PF_Cmd_RENDER], 1);
        EXPECT_EQ(t.log->commands[PF_Cmd_FRAME_SETDOWN], 1);
        const A_u_long expected = app == HostApplication::Premiere
                                      ? A_u_long{PrPixelFormat_BGRA_4444_16u}
                                      : A_u_long{PF_PixelFormat_ARGB64};
        EXPECT_EQ(t.log->pixelFormat, expected);
    }
}

TEST(HostDriver, DownsamplingShrinksTheLayersTheEffectSees) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    RenderOptions half;
    half.downsampleX = {1, 2};
    half.downsampleY = {1, 3};
    const FrameResult frame = t.host.renderFrame(id, positions(101, 30), {}, half);
    ASSERT_EQ(frame.error, PF_Err_NONE);
    ASSERT_EQ(frame.output.width(), 51);
    ASSERT_EQ(frame.output.height(), 10);
    const PF_Pixel8 p = static_cast<const PF_Pixel8*>(frame.output.row(3))[7];
    EXPECT_EQ(p.red, 14);
    EXPECT_EQ(p.green, 9);
}

TEST(HostDriver, FaultsReachTheEffectAsErrors) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    // The effect checks out one parameter per pre-render: the second fails.
    t.host.failParamCheckout(2, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(t.host.renderFrame(id, positions(8, 8), {}).error, PF_Err_NONE);
    const FrameResult failed = t.host.renderFrame(id, positions(8, 8), {});
    EXPECT_EQ(failed.error, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(failed.command, PF_Cmd_SMART_PRE_RENDER);
    EXPECT_EQ(t.host.renderFrame(id, positions(8, 8), {}).error, PF_Err_NONE);

    CommandResult setup;
    t.host.handles().failAllocations(1);
    const InstanceId refused = t.host.addInstance(&setup);
    EXPECT_EQ(setup.error, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(t.host.instance(refused).sequenceData, nullptr);
}

TEST(HostDriver, SequenceDataIsSavedFlatAndSetUpAgain) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId first = t.host.addInstance();
    const InstanceId second = t.host.addInstance();
    const std::vector<std::uint8_t> live =
        t.host.handles().bytes(t.host.instance(second).sequenceData);
    EXPECT_EQ(word(live, 0), kLiveTag);
    EXPECT_EQ(word(live, 4), 2u);

    ASSERT_EQ(t.host.saveInstance(second).error, PF_Err_NONE);
    const std::vector<std::uint8_t> saved = t.host.instance(second).saved;
    ASSERT_EQ(saved.size(), sizeof(TestSequenceData));
    EXPECT_EQ(word(saved, 0), kFlatTag);
    EXPECT_EQ(word(saved, 4), 2u);
    EXPECT_TRUE(t.host.instance(second).flattened);
    EXPECT_EQ(t.log->commands[PF_Cmd_SEQUENCE_RESETUP], 0);

    // The next command about the instance finds it set up again from the flat data.
    EXPECT_EQ(t.host.renderFrame(second, positions(4, 4), {}).error, PF_Err_NONE);
    EXPECT_EQ(t.log->commands[PF_Cmd_SEQUENCE_RESETUP], 1);
    EXPECT_EQ(t.log->resetupSerial, 2u);
    EXPECT_FALSE(t.host.instance(second).flattened);
    EXPECT_EQ(word(t.host.handles().bytes(t.host.instance(second).sequenceData), 0), kLiveTag);

    // Opening the saved project makes a third instance from the same data.
    const InstanceId loaded = t.host.loadInstance(saved);
    EXPECT_EQ(t.log->commands[PF_Cmd_SEQUENCE_RESETUP], 2);
    EXPECT_EQ(word(t.host.handles().bytes(t.host.instance(loaded).sequenceData), 4), 2u);
    EXPECT_EQ(t.host.instanceCount(), 3u);

    // Every block is disposed of once the instances are removed.
    for (InstanceId id : {first, second, loaded}) EXPECT_EQ(t.host.removeInstance(id).error, 0);
    EXPECT_EQ(t.host.instanceCount(), 0u);
    EXPECT_EQ(t.host.handles().liveCount(), 0u);
    EXPECT_EQ(t.host.handles().unknownDisposals(), 0);
}

TEST(HostDriver, EachInstanceHasItsOwnCompositionAndValues) {
    for (HostApplication app : {HostApplication::AfterEffects, HostApplication::Premiere}) {
        TestEffectHost t(app);
        ASSERT_TRUE(t.start());
        t.host.setComposition(Composition{640, 480, {10, 11}});
        const InstanceId a = t.host.addInstance();
        t.host.setComposition(Composition{1920, 1080, {1, 1}});
        const InstanceId b = t.host.addInstance();
        t.host.setParam(a, "Grow", 2.0);
        RenderOptions options;
        options.mode = RenderMode::Classic;

        const FrameResult fa = t.host.renderFrame(a, positions(10, 10), {}, options);
        EXPECT_EQ(fa.output.width(), 14);
        EXPECT_EQ(t.log->compWidth, 640);
        EXPECT_EQ(t.log->compPixelAspect.num, 10);
        EXPECT_EQ(t.log->compPixelAspect.den, 11);
        const FrameResult fb = t.host.renderFrame(b, positions(10, 10), {}, options);
        EXPECT_EQ(fb.output.width(), 10);
        EXPECT_EQ(t.log->compWidth, 1920);
        EXPECT_EQ(t.log->compHeight, 1080);
        EXPECT_EQ(t.host.outstandingSuites(), 0);
    }
}

TEST(HostDriver, UserChangesReachTheEffectAndItsInterfaceUpdatesShow) {
    TestEffectHost t;
    ASSERT_TRUE(t.start());
    const InstanceId id = t.host.addInstance();
    // Applying the effect already brought one interface update.
    EXPECT_EQ(t.log->commands[PF_Cmd_UPDATE_PARAMS_UI], 1);
    EXPECT_FALSE(t.host.paramUI(id, kTint).disabled());

    EXPECT_EQ(t.host.changeParam(id, kEnabled, {0}).error, PF_Err_NONE);
    EXPECT_EQ(t.log->lastChangedParam, kEnabled);
    EXPECT_TRUE(t.host.paramUI(id, kTint).disabled());
    EXPECT_EQ(t.host.paramUI(id, kGrow).name, "Grow (px)");
    EXPECT_STREQ(t.host.paramValue(id, kGrow).name, "Grow (px)");

    // An unsupervised parameter sends no change command, only the update.
    const int changes = t.log->commands[PF_Cmd_USER_CHANGED_PARAM];
    EXPECT_EQ(t.host.changeParam(id, kSpot, {1, 1, 1}).error, PF_Err_NONE);
    EXPECT_EQ(t.log->commands[PF_Cmd_USER_CHANGED_PARAM], changes);
    EXPECT_EQ(t.host.changeParam(id, kEnabled, {1}).error, PF_Err_NONE);
    EXPECT_FALSE(t.host.paramUI(id, kTint).disabled());
}

}  // namespace
