// What a host sees of the modules without running them: one export, and the
// property list that `quillshade info` reads from the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
    return output;
}

const std::string kModules = QS_TEST_BUILD_DIR "/modules/";

TEST(ModuleExports, EveryModuleExportsTheEntryPointAlone) {
    for (const char* module : {"QuillshadeEngine.so", "ReliefmakerFX.so"}) {
        const std::string symbols =
            run("nm -D --defined-only " + kModules + module + " | awk '{print $NF}'");
        std::istringstream lines(symbols);
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
    const std::string json = run(QS_TOOL " info --json --plugin " + kModules + "ReliefmakerFX.so");
    for (const char* expected :
         {"\"kind\": \"eFKT\"", "\"name\": \"ReliefmakerFX\"", "\"category\": \"Vexa\"",
          "\"match_name\": \"ADBE ReliefmakerFX\"", "\"entry_point\": \"EntryPointFunc\"",
          "\"pipl_version\": 2", "\"api_version\": [13, 2]", "\"version\": 524289",
          "\"info_flags\": 0", "\"out_flags\": 100696101", "\"out_flags2\": 5120"}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << " in\n" << json;
    }
    // The bare engine module is no effect a host would list.
    const std::string bare = run(QS_TOOL " info --plugin " + kModules + "QuillshadeEngine.so 2>&1");
    EXPECT_NE(bare.find("no property list"), std::string::npos) << bare;
}

}  // namespace
