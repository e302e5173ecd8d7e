#pragma once
// The test effects under tests/tools/effects, each with one fault, copied
// where a test may change them. Some faults are put into a copy of
// throwingdraw here, each at the fx.js line the report must name.

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "package/TempFolder.h"
#include "support/Files.h"

inline const std::string kTestEffects = QS_TEST_SOURCE_DIR "/tests/tools/effects/";

// A copy of the test effect `name` in `folder`; its path.
inline std::string testEffect(const TempFolder& folder, const std::string& name) {
    // Lines of throwingdraw's fx.js replaced, by number from 1; "" removes
    // one (line 14 calls the helper that does not exist).
    static const std::map<std::string, std::map<int, std::string>> variants = {
        {"syntaxerror", {{6, "    P.tint = QS_initParam(\"tint\", QS_Type.COLOR, \"Tint\";"}}},
        {"throwingsetup", {{8, "    throw new Error(\"strength was never declared\");"}, {14, ""}}},
        {"missingshader", {{9, "    QS_initShader(\"glow\");\n}"}, {14, ""}}},
        {"missingimage", {{9, "    QS_initTexture(\"grain.png\");\n}"}, {14, ""}}},
        // The last pass with flip false; no pass into the output at all.
        {"upsidedown", {{14, ""}, {15, "    QS_renderShader(tint, QS_getSequenceRT(), false);"}}},
        {"nooutput", {{14, ""}, {15, ""}}},
        // A misspelt sampler name, and a name no shader has.
        {"misspeltuniform",
         {{12,
           "    QS_setShaderParamVal(tint, \"imgae\", QS_getSequenceTexture());\n"
           "    QS_setShaderParamVal(tint, \"gain\", 2);"},
          {14, ""}}}};
    const auto variant = variants.find(name);
    const std::string copy = folder / name;
    std::filesystem::copy(kTestEffects + (variant == variants.end() ? name : "throwingdraw"), copy);
    if (variant == variants.end())
        return copy;
    std::istringstream lines(readFile(copy + "/fx.js"));
    std::string text;
    int number = 1;
    for (std::string line; std::getline(lines, line); ++number) {
        const auto replaced = variant->second.find(number);
        if (replaced == variant->second.end())
            text += line + "\n";
        else if (!replaced->second.empty())
            text += replaced->second + "\n";
    }
    writeFile(copy + "/fx.js", text);
    return copy;
}
