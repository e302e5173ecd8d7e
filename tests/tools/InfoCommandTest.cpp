// `quillshade info` runs global set-up and parameter set-up in a simulated
// host: what the effect reports about itself, held against its property
// list, and the parameters it publishes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "Pipl.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "platform/ModuleResources.h"

namespace {

const std::string kEffects = QS_TEST_SOURCE_DIR "/tests/tools/effects/";

// The line of the JSON output that describes the parameter called `name`.
std::string parameterLine(const std::string& json, const std::string& name) {
    std::istringstream lines(json);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("\"name\": \"" + name + "\"") != std::string::npos)
            return line;
    }
    return {};
}

TEST(InfoCommand, ShowsWhatGlobalSetUpReportsAndThePublishedParameters) {
    const ToolOutput effect = runTool("info --json --effect '" + kEffects + "throwingdraw'");
    ASSERT_EQ(effect.status, 0) << effect.text;
    for (const char* expected :
         {"\"module\": \"" QS_TEST_SOURCE_DIR "/tests/tools/effects/throwingdraw\"",
          "\"name\": \"throwingdraw\"",
          "\"global_setup\": {\"error\": 0, \"error_name\": \"PF_Err_NONE (0)\", \"my_version\": "
          "524289, \"out_flags\": 100696101, \"out_flags2\": 5120, \"warnings\": []}",
          "\"params_setup\": {\"error\": 0",
          "{\"index\": 1, \"id\": 3, \"type\": \"COLOR\", \"name\": \"Tint\", \"script_name\": "
          "\"tint\", \"flags\": 96, \"ui_flags\": 0, \"default\": [255, 200, 150, 255]}"}) {
        EXPECT_TRUE(effect.has(expected)) << expected << " in\n" << effect.text;
    }

    // The property list read from the module file; pop-ups list their
    // entries, sliders their ranges and precision; groups have no default.
    const ToolOutput bundled =
        runTool("info --json --plugin " QS_TEST_BUILD_DIR "/modules/ReliefmakerFX.so");
    ASSERT_EQ(bundled.status, 0) << bundled.text;
    for (const char* expected :
         {"\"kind\": \"eFKT\"", "\"name\": \"ReliefmakerFX\"", "\"category\": \"Vexa\"",
          "\"match_name\": \"ADBE ReliefmakerFX\"", "\"entry_point\": \"EntryPointFunc\"",
          "\"pipl_version\": 2", "\"api_version\": [13, 2]", "\"version\": 524289",
          "\"info_flags\": 0", "\"out_flags\": 100696101", "\"out_flags2\": 5120"}) {
        EXPECT_TRUE(bundled.has(expected)) << expected << " in\n" << bundled.text;
    }
    for (const auto& [name, part] :
         {std::pair{"Light Type", "\"type\": \"POPUP\""},
          {"Light Type", "\"default\": [1], \"choices\": [\"Directional\", \"Point\"]"},
          {"Softness", "\"type\": \"FLOAT_SLIDER\""},
          {"Softness", "\"valid_range\": [0, 40]"},
          {"Softness", "\"precision\": 1"},
          {"Light", "\"type\": \"GROUP_START\""}}) {
        const std::string line = parameterLine(bundled.text, name);
        EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
    }
    EXPECT_EQ(parameterLine(bundled.text, "Light").find("\"default\""), std::string::npos);

    const ToolOutput text = runTool("info --effect '" + kEffects + "throwingdraw'");
    EXPECT_EQ(text.status, 0) << text.text;
    EXPECT_TRUE(text.has("my_version:  0x00080001")) << text.text;
    EXPECT_TRUE(
        text.has("COLOR         \"Tint\" (tint)  default 255,200,150,255  flags "
                 "SUPERVISE|START_COLLAPSED"))
        << text.text;
    // The bare engine module is no effect a host would list.
    EXPECT_TRUE(runTool("info --plugin " QS_TEST_BUILD_DIR "/modules/QuillshadeEngine.so")
                    .has("no property list"));
}

// The effect's version both as the host reads it from the property list,
// where the packing keeps only part of the minor and build numbers, and as
// config.xml states it; and the GL renderer the engine gets here.
TEST(InfoCommand, ShowsTheVersionsAndTheRenderer) {
    TempFolder folder;
    const std::string effect = folder / "Versioned";
    std::filesystem::copy(QS_TEST_SOURCE_DIR "/effects/reliefmaker", effect);
    std::ifstream in(effect + "/config.xml");
    std::string config((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const auto& [from, to] : {std::pair{"<MINOR_VERSION>0<", "<MINOR_VERSION>17<"},
                                   {"<BUILD_VERSION>1<", "<BUILD_VERSION>600<"},
                                   {"<STAGE_VERSION>0<", "<STAGE_VERSION>2<"}}) {
        const std::size_t at = config.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        config.replace(at, std::string(from).size(), to);
    }
    std::ofstream(effect + "/config.xml") << config;

    const ToolOutput text = runTool("info --effect '" + effect + "'");
    EXPECT_EQ(text.status, 0) << text.text;
    EXPECT_TRUE(text.has("version:       1.1.88 beta (0x00088458)")) << text.text;
    EXPECT_TRUE(text.has("config.xml:    version 1.17.600 beta")) << text.text;
    EXPECT_TRUE(text.has("renderer:      llvmpipe")) << text.text;

    const ToolOutput json = runTool("info --json --effect '" + effect + "'");
    EXPECT_TRUE(
        json.has("\"effect_version\": {\"major\": 1, \"minor\": 17, \"build\": 600, "
                 "\"stage\": 2, \"text\": \"1.17.600 beta\"}"))
        << json.text;
    EXPECT_TRUE(json.has("\"renderer\": \"llvmpipe")) << json.text;
}

// A module whose property list promises another version and other flags
// than its global set-up reports, as when a module's resources are edited
// by hand.
TEST(InfoCommand, WarnsWhereGlobalSetUpDisagreesWithThePropertyList) {
    TempFolder folder;
    const std::string module = folder / "Reliefmaker.so";
    ASSERT_EQ(runTool("pack " QS_TEST_SOURCE_DIR "/effects/reliefmaker -o '" + module + "'").status,
              0);
    ModuleResources::ModuleFile file =
        ModuleResources::parse(ModuleResources::readFile(module).value());
    bool patched = false;
    for (ModuleResources::Resource& resource : file.resources) {
        if (resource.type == ModuleResources::Key::string("PIPL")) {
            PiplProperties pipl = parsePipl(resource.data).value();
            pipl.version += 1;
            pipl.outFlags2 = 0;
            resource.data = buildPipl(pipl);
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    const std::vector<std::uint8_t> bytes = ModuleResources::serialize(file);
    std::ofstream(module, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

    const ToolOutput json = runTool("info --json --plugin '" + module + "'");
    EXPECT_EQ(json.status, 0) << json.text;
    EXPECT_TRUE(
        json.has("\"warnings\": [\"my_version 0x00080001 differs from the property "
                 "list's 0x00080002\", \"out_flags2 0x00001400 differs from the "
                 "property list's 0x00000000\"]"))
        << json.text;
    const ToolOutput text = runTool("info --plugin '" + module + "'");
    EXPECT_TRUE(text.has("warning: global set-up reports out_flags2 0x00001400 differs"))
        << text.text;

    // What a host warns about is a problem to fix before shipping.
    const ToolOutput check = runTool("check '" + module + "'");
    EXPECT_EQ(check.status, 1) << check.text;
    EXPECT_TRUE(check.has("global set-up: my_version 0x00080001 differs")) << check.text;
    EXPECT_TRUE(check.has("2 problems in")) << check.text;
}

}  // namespace
