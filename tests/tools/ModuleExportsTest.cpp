// What a host sees of the modules without running them: one export, and the
// property list that `quillshade info` reads from the file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ToolOutput.h"

namespace {

const std::string kModules = QS_TEST_BUILD_DIR "/modules/";

TEST(ModuleExports, EveryModuleExportsTheEntryPointAlone) {
    for (const char* module : {"QuillshadeEngine.so", "ReliefmakerFX.so"}) {
        std::istringstream lines(
            runCommand("nm -D --defined-only " + kModules + module + " | awk '{print $NF}'").text);
        std::string symbol;
        std::vector<std::string> exported;
        while (std::getline(lines, symbol)) {
            // Section markers the linker defines in every shared object.
            if (symbol != "_init" && symbol != "_fini" && symbol != "__bss_start" &&
                symbol != "_edata" && symbol != "_end") {
                exported.push_back(symbol);
            }
        }
        EXPECT_EQ(exported, std::vector<std::string>{"EntryPointFunc"}) << module;
    }
}

TEST(InfoCommand, PrintsTheBundledPropertyListReadFromTheFile) {
    const std::string json = runTool("info --json --plugin " + kModules + "ReliefmakerFX.so").text;
    for (const char* expected :
         {"\"kind\": \"eFKT\"", "\"name\": \"ReliefmakerFX\"", "\"category\": \"Vexa\"",
          "\"match_name\": \"ADBE ReliefmakerFX\"", "\"entry_point\": \"EntryPointFunc\"",
          "\"pipl_version\": 2", "\"api_version\": [13, 2]", "\"version\": 524289",
          "\"info_flags\": 0", "\"out_flags\": 100696101", "\"out_flags2\": 5120"}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << " in\n" << json;
    }
    // The bare engine module is no effect a host would list.
    const std::string bare = runTool("info --plugin " + kModules + "QuillshadeEngine.so").text;
    EXPECT_NE(bare.find("no property list"), std::string::npos) << bare;
}

}  // namespace
