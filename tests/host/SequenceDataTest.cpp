// Sequence data through the module: what instances keep in the host's
// memory and what a saved project holds. That a long session stays flat is
// measured by bench_session.
#include <gtest/gtest.h>

#include <cstring>

#include "EngineHost.h"

namespace {

using Words = std::vector<std::uint32_t>;

// The first `count` 32-bit words of the bytes.
Words words(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    Words v(count);
    std::memcpy(v.data(), bytes.data(), count * 4);
    return v;
}

float floatAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    float v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

std::vector<std::uint8_t> sequenceBytes(EngineHost& e, InstanceId instance) {
    return e.host.handles().bytes(e.host.instance(instance).sequenceData);
}

TEST(SequenceData, RecordsTheOutputOnlyAfterAProjectIsLoadedAndSavesAsZeros) {
    EngineHost e(copyEffect());
    ASSERT_TRUE(e.start());
    e.host.setComposition(e.instance, Composition{640, 480, {2, 1}});
    ASSERT_EQ(e.render(pattern(20, 10, 16)).error, PF_Err_NONE);
    std::vector<std::uint8_t> bytes = sequenceBytes(e, e.instance);
    ASSERT_EQ(bytes.size(), 8192u);
    // A freshly applied effect records no output; the composition is kept.
    EXPECT_EQ(words(bytes, 5), (Words{0, 0, 0, 640, 480}));
    EXPECT_EQ(bytes[24], 0);
    EXPECT_EQ(floatAt(bytes, 40), 2.0f);

    ASSERT_EQ(e.host.saveInstance(e.instance).error, PF_Err_NONE);
    const std::vector<std::uint8_t> saved = e.host.instance(e.instance).saved;
    EXPECT_EQ(saved, std::vector<std::uint8_t>(8192, 0));

    CommandResult loaded;
    const InstanceId reopened = e.host.loadInstance(saved, &loaded);
    EXPECT_EQ(loaded.error, PF_Err_NONE);
    EXPECT_TRUE(loaded.out.out_flags & PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(e.host.instanceCount(), 2u);
    bytes = sequenceBytes(e, reopened);
    EXPECT_EQ(bytes[24], 1);
    EXPECT_EQ(bytes[25], 1);
    const FrameResult frame = e.host.renderFrame(reopened, pattern(20, 10, 16), FrameTime{});
    ASSERT_EQ(frame.error, PF_Err_NONE);
    EXPECT_EQ(words(sequenceBytes(e, reopened), 3), (Words{20, 10, 16}));

    // The saved instance renders on, whole: the host sets it up again first,
    // and the objects its save gave back are made afresh.
    const FrameResult again = e.render(pattern(20, 10, 32));
    ASSERT_EQ(again.error, PF_Err_NONE);
    EXPECT_TRUE(samePixels(again.output, pattern(20, 10, 32)));
    EXPECT_EQ(e.host.handles().unknownDisposals(), 0);
}

TEST(SequenceData, ReSetUpAsksOlderHostsToRenderAgainButNotPremiere) {
    struct Case {
        HostApplication application;
        int major, minor;
        bool rerender;
    };
    for (const Case& c : {Case{HostApplication::AfterEffects, 13, 8, true},
                          Case{HostApplication::AfterEffects, 13, 9, false},
                          Case{HostApplication::AfterEffects, 14, 0, true},
                          Case{HostApplication::Premiere, 12, 0, false}}) {
        EngineHost e(copyEffect(), c.application);
        ASSERT_TRUE(e.start());
        e.host.setApiVersion(c.major, c.minor);
        CommandResult loaded;
        const InstanceId id = e.host.loadInstance(std::vector<std::uint8_t>(8192, 0), &loaded);
        EXPECT_EQ(loaded.error, PF_Err_NONE);
        EXPECT_EQ((loaded.out.out_flags & PF_OutFlag_FORCE_RERENDER) != 0, c.rerender)
            << c.major << "." << c.minor;
        // Premiere Pro does not record the output.
        const bool premiere = c.application == HostApplication::Premiere;
        EXPECT_EQ(sequenceBytes(e, id)[24], premiere ? 0 : 1);
        ASSERT_EQ(e.host.renderFrame(id, pattern(6, 4, 8), FrameTime{}).error, PF_Err_NONE);
        EXPECT_EQ(words(sequenceBytes(e, id), 1)[0], premiere ? 0u : 6u);
    }
}

TEST(SequenceData, HostsWithoutMemoryOrHandlesGetTheirErrors) {
    EngineHost e(copyEffect());
    ASSERT_EQ(e.host.globalSetup().error, PF_Err_NONE);
    ASSERT_EQ(e.host.paramsSetup().error, PF_Err_NONE);
    const std::size_t live = e.host.handles().liveCount();

    e.host.handles().failAllocations(1);
    CommandResult result;
    e.host.addInstance(&result);
    EXPECT_EQ(result.error, PF_Err_OUT_OF_MEMORY);

    e.host.refuseSuite(kPFHandleSuite);
    e.host.addInstance(&result);
    EXPECT_EQ(result.error, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(e.host.handles().liveCount(), live);
    EXPECT_EQ(e.host.outstandingSuites(), 0);
}

TEST(SequenceData, SetUpOverExistingDataReplacesTheInstance) {
    EngineHost e(copyEffect());
    ASSERT_TRUE(e.start());
    ASSERT_EQ(e.render(pattern(8, 8, 8)).error, PF_Err_NONE);
    const std::size_t live = e.host.handles().liveCount();
    PF_InData in = e.host.makeInData(e.instance);
    const CommandResult again = e.host.send(PF_Cmd_SEQUENCE_SETUP, in);
    ASSERT_EQ(again.error, PF_Err_NONE);
    EXPECT_NE(again.out.sequence_data, e.host.instance(e.instance).sequenceData);
    // The old block went back to the host; the new one takes its place.
    EXPECT_FALSE(e.host.handles().owns(e.host.instance(e.instance).sequenceData));
    EXPECT_EQ(e.host.handles().liveCount(), live);
    PF_InData down = e.host.makeInData();
    down.sequence_data = again.out.sequence_data;
    EXPECT_EQ(e.host.send(PF_Cmd_SEQUENCE_SETDOWN, down).error, PF_Err_NONE);
    EXPECT_EQ(e.host.handles().liveCount(), live - 1);
}

}  // namespace
