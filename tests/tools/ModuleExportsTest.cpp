// What a host sees of the modules without loading them: one export each.
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

}  // namespace
