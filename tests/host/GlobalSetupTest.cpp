// Global set-up, About and the options dialog, through the real module loaded
// by our host library.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "EffectFixture.h"
#include "EngineHost.h"
#include "SimulatedHost.h"

namespace {

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

TEST(GlobalSetup, ReportsWhatThePropertyListPromisesAndRegistersWithTheHost) {
    EffectModule module(kBundledModule);
    for (HostApplication application : {HostApplication::AfterEffects, HostApplication::Premiere}) {
        const bool premiere = application == HostApplication::Premiere;
        SimulatedHost host(module, application);
        const CommandResult result = host.send(PF_Cmd_GLOBAL_SETUP);
        ASSERT_EQ(result.error, PF_Err_NONE);
        EXPECT_EQ(result.out.my_version, module.pipl().version);
        EXPECT_EQ(result.out.my_version, 0x00080001u);
        if (!premiere) {
            EXPECT_EQ(static_cast<std::uint32_t>(result.out.out_flags), module.pipl().outFlags);
            EXPECT_EQ(static_cast<std::uint32_t>(result.out.out_flags2), module.pipl().outFlags2);
        }
        // Premiere Pro declares pixel formats instead: the deep colour and
        // float bits go, no-clone comes.
        EXPECT_EQ(result.out.out_flags, premiere ? 0x04008025 : 0x06008025);
        EXPECT_EQ(result.out.out_flags2, premiere ? 0x00008400 : 0x00001400);
        const std::vector<PrPixelFormat> formats = {0x62677261, 0x62677278, 0x62677258,
                                                    0x62677241, 0x62675241, 0x62675258};
        EXPECT_EQ(host.supportedPixelFormats(), premiere ? formats : std::vector<PrPixelFormat>());

        // Global data: 8 bytes, first byte 1, the plug-in id the host returned
        // at 4 to 7; no registration with the AEGP layer in Premiere Pro.
        ASSERT_NE(result.out.global_data, nullptr);
        const auto bytes = host.handles().bytes(result.out.global_data);
        ASSERT_EQ(bytes.size(), 8u);
        EXPECT_EQ(bytes[0], 1);
        EXPECT_EQ(word(bytes, 4), premiere ? 0u : std::uint32_t(SimulatedHost::kPluginId));
        EXPECT_EQ(host.handles().lockCount(result.out.global_data), 0);
        EXPECT_EQ(host.registeredPluginName(), premiere ? "" : "ReliefmakerFX");

        const CommandResult about = host.send(PF_Cmd_ABOUT);
        EXPECT_EQ(about.error, PF_Err_NONE);
        EXPECT_STREQ(about.out.return_msg,
                     premiere ? "" : "ReliefmakerFX 1.0 - relief shading for your layers.\n\n");
        EXPECT_EQ(host.send(PF_Cmd_DO_DIALOG).error, PF_Err_NONE);
        EXPECT_EQ(host.outstandingSuites(), 0);
    }
}

TEST(GlobalSetup, PacksTheConfiguredVersionForTheHost) {
    struct Case {
        int major, minor, build, stage;
        std::uint32_t packed;
    };
    // 1.2 build 3 is 0x00090003; major 9 sets the high version bit; the minor
    // keeps 4 bits and the build 9; major 64 wraps to 0 in the configuration.
    for (const Case& c : {Case{1, 2, 3, 0, 0x00090003}, Case{9, 0, 0, 0, (1u << 26) | (1u << 19)},
                          Case{1, 17, 513, 2, 0x00088401}, Case{64, 0, 0, 0, 0}}) {
        EffectFixture effect({{"fx.js", "function setup() {}"},
                              {"config.xml", configXml(c.major, c.minor, c.build, c.stage)}});
        EffectModule module(effect.modulePath());
        EXPECT_EQ(module.pipl().version, c.packed) << c.major << "." << c.minor;
    }
    EffectFixture effect(
        {{"fx.js", "function setup() {}"}, {"config.xml", configXml(1, 2, 3, 0, 32)}});
    EffectModule module(effect.modulePath());
    SimulatedHost host(module);
    const CommandResult result = host.send(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(result.error, PF_Err_NONE);
    EXPECT_EQ(result.out.my_version, 0x00090003u);
    EXPECT_EQ(result.out.out_flags, 0x04008025);
    EXPECT_EQ(result.out.out_flags2, 0);
}

TEST(GlobalSetup, HostFailuresBecomeTheCommandsResult) {
    EffectModule module(kBundledModule);
    const struct {
        std::function<void(SimulatedHost&)> fail;
        PF_Err error;
        std::size_t handlesLeft;  // a failed registration keeps the global data
    } cases[] = {
        {[](SimulatedHost& h) { h.refuseSuite(kPFHandleSuite); }, PF_Err_BAD_CALLBACK_PARAM, 0},
        {[](SimulatedHost& h) { h.refuseSuite(kAEGPUtilitySuite); }, PF_Err_BAD_CALLBACK_PARAM, 1},
        {[](SimulatedHost& h) { h.handles().failAllocations(1); }, PF_Err_INTERNAL_STRUCT_DAMAGED,
         0},
        {[](SimulatedHost& h) { h.setRegistrationError(A_Err_GENERIC); }, A_Err_GENERIC, 1}};
    for (const auto& c : cases) {
        SimulatedHost host(module);
        c.fail(host);
        const CommandResult result = host.send(PF_Cmd_GLOBAL_SETUP);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.out.global_data, nullptr);
        EXPECT_EQ(host.handles().liveCount(), c.handlesLeft) << c.error;
        EXPECT_EQ(host.outstandingSuites(), 0);
    }
}

// The bare module reads its effect from loose files in the current folder;
// the packer refuses a config.xml that does not parse, so this is also how a
// damaged one reaches the engine.
TEST(GlobalSetup, TheBareModuleReadsLooseFilesAndFailsOnAMalformedConfiguration) {
    TempFolder folder;
    std::ofstream(folder / "fx.js") << "function setup() {}";
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    for (const bool damaged : {true, false}) {
        std::ofstream(folder / "config.xml")
            << (damaged ? "<ABOUT>unterminated" : configXml(2, 1, 7, 0, 0, 0, "Loose &amp; found"));
        EffectModule module(kBareModule, EffectModule::WithoutPropertyList);
        SimulatedHost host(module);
        const CommandResult result = host.send(PF_Cmd_GLOBAL_SETUP);
        if (damaged) {
            EXPECT_EQ(result.error, PF_Err_INVALID_CALLBACK);
            continue;
        }
        EXPECT_EQ(result.error, PF_Err_NONE);
        EXPECT_EQ(result.out.my_version, (2u << 19) | (1u << 15) | 7u);
        EXPECT_STREQ(host.send(PF_Cmd_ABOUT).out.return_msg, "Loose & found\n\n");
    }
    std::filesystem::current_path(previous);
}

// Opening tags a few hundred kilobytes deep once overflowed the stack of the
// host's thread in the configuration's parser; global set-up now fails as it
// does for any configuration that does not parse.
TEST(GlobalSetup, FailsOnAConfigurationNestedTooDeeply) {
    TempFolder folder;
    std::ofstream(folder / "fx.js") << "function setup() {}";
    std::string config;
    for (int i = 0; i < 100000; ++i) config += "<A>";
    std::ofstream(folder / "config.xml") << config;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EffectModule module(kBareModule, EffectModule::WithoutPropertyList);
    SimulatedHost host(module);
    EXPECT_EQ(host.send(PF_Cmd_GLOBAL_SETUP).error, PF_Err_INVALID_CALLBACK);
    std::filesystem::current_path(previous);
}

TEST(GlobalSetup, TheConfigurationLowersTheScriptHeapAndThePixelBudget) {
    // The frame turns white only where both limits refuse what the defaults
    // allow: a 16 MiB array in an 8 MiB heap, a 16 MiB target in a 16 MiB
    // budget that already holds the frame.
    EngineHost e({{"fx.js", R"(
var paint;
function setup() { paint = QS_initShader("paint", "void main() { gl_FragColor = vec4(1.0); }"); }
function draw() {
    var heapRefused = false;
    try { new Uint8Array(16 << 20); } catch (e) { heapRefused = true; }
    if (heapRefused && QS_initRenderTarget(2048, 2048, 8) === 0)
        QS_renderShader(paint, QS_getSequenceRT(), false);
})"},
                  {"config.xml", deepConfig("<SCRIPT_MEMORY_LIMIT_MB>8</SCRIPT_MEMORY_LIMIT_MB>"
                                            "<PIXEL_MEMORY_LIMIT_MB>16</PIXEL_MEMORY_LIMIT_MB>")}});
    ASSERT_TRUE(e.start());
    const PF_PixelFloat pixel = e.render(pattern(4, 4, 8)).output.get(1, 1);
    EXPECT_EQ(pixel.red + pixel.green + pixel.blue + pixel.alpha, 4.0f);
}

TEST(GlobalSetup, TheHostsCallbacksAnswerWithErrorsOnceTheHostIsGone) {
    EffectModule module(kBundledModule);
    auto host = std::make_unique<SimulatedHost>(module);
    PF_InData in = host->makeInData();
    const PF_UtilCallbacks utils = *in.utils;
    const SPBasicSuite basic = *in.pica_basicP;
    const void* suite = nullptr;
    ASSERT_EQ(basic.AcquireSuite(kPFHandleSuite, 2, &suite), 0);
    const auto* handles = static_cast<const PF_HandleSuite1*>(suite);
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
