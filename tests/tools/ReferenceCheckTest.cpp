// The reference compile of `quillshade check`: shaders that Mesa compiles but
// other vendors' compilers may refuse are named, with the author's line, as
// warnings; and every shader of the project passes it as the engine hands it
// to the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "ReferenceFindings.h"
#include "TestEffects.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

// The reference's findings in `shader`, one a line.
std::string findingsOf(const std::string& shader, const std::string& file) {
    std::string lines;
    for (const std::string& finding : referenceFindings(shader, file)) lines += finding + "\n";
    return lines;
}

// A copy of the strictshader effect whose copy.frag is `shader`, checked.
ToolOutput checkWithShader(const TempFolder& folder, const std::string& name,
                           const std::string& shader) {
    const std::string effect = folder / name;
    fs::copy(kTestEffects + "strictshader", effect);
    writeFile(effect + "/copy.frag", shader);
    return runTool("check '" + effect + "'");
}

TEST(ReferenceCheck, WhatStricterCompilersRefuseIsAWarningAtTheAuthorsLine) {
    const TempFolder folder;
    const ToolOutput clean = runTool("check '" + kTestEffects + "strictshader'");
    EXPECT_EQ(clean.status, 0) << clean.text;
    EXPECT_TRUE(clean.has("no problems in")) << clean.text;
    EXPECT_FALSE(clean.has("warning")) << clean.text;

    struct Case {
        const char* name;
        const char* shader;
        std::vector<const char*> parts;
    };
    const Case cases[] = {
        // GLSL 1.10 has no f suffix, in the author's code or in the engine's
        // textureCube emulation, which a #version 120 line cures.
        {"suffix",
         "uniform sampler2D image;\n"
         "void main() {\n"
         "    gl_FragColor = texture2D(image, gl_TexCoord[0].xy) * 0.5f;\n"
         "}\n",
         {"warning: copy.frag:3: may fail on some GPUs: the reference compiler (glslang) "
          "reports 'floating-point suffix'",
          "write 1.0 rather than 1.0f"}},
        {"cube",
         "uniform samplerCube image;\n"
         "void main() {\n"
         "    gl_FragColor = textureCube(image, vec3(gl_TexCoord[0].xy, 1.0));\n"
         "}\n",
         {"warning: copy.frag (in the engine's wrapping code): may fail on some GPUs",
          "the engine's textureCube emulation", "start the shader with #version 120"}},
        // Core profiles dropped the older names, which the reference lets pass.
        {"coretexture",
         "#version 330\n"
         "uniform sampler2D image;\n"
         "out vec4 colour;\n"
         "void main() {\n"
         "    colour = texture2D(image, gl_FragCoord.xy / 256.0);\n"
         "}\n",
         {"warning: copy.frag:5: may fail on some GPUs: texture2D() is not in the core profile "
          "that #version 330 declares",
          "call texture(), or declare #version 330 compatibility"}},
        {"corecolour",
         "#version 150\n"
         "uniform sampler2D image;\n"
         "void main() {\n"
         "    gl_FragColor = texture(image, gl_FragCoord.xy / 256.0);\n"
         "}\n",
         {"warning: copy.frag:4: may fail on some GPUs: gl_FragColor is not in the core profile",
          "declare an out vec4"}},
    };
    for (const Case& test : cases) {
        const ToolOutput out = checkWithShader(folder, test.name, test.shader);
        // Mesa compiles each: the warnings concern other machines only.
        EXPECT_EQ(out.status, 0) << test.name << ":\n" << out.text;
        EXPECT_TRUE(out.has("no problems in")) << test.name << ":\n" << out.text;
        EXPECT_TRUE(out.has("(1 warning)")) << test.name << ":\n" << out.text;
        for (const char* part : test.parts)
            EXPECT_TRUE(out.has(part)) << test.name << ": " << part << " in\n" << out.text;
    }
}

TEST(ReferenceCheck, GlslEsIsHeldToWhatItsDriversMustAccept) {
    // The engine links no GLSL ES shader (check reports that first); the
    // reference still names what an ES driver may refuse, at the author's line.
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"#version 300 es\n"
         "precision mediump float;\n"
         "out vec4 colour;\n"
         "void main() {\n"
         "    float k = 1;\n"
         "    colour = vec4(k);\n"
         "}\n",
         {"es.frag:5: may fail on some GPUs", "cannot convert from", "write 1.0 rather than 1"}},
        {"#version 300 es\n"
         "precision mediump float;\n"
         "uniform sampler3D volume;\n"
         "out vec4 colour;\n"
         "void main() { colour = texture(volume, vec3(0.0)); }\n",
         {"es.frag:3: may fail on some GPUs", "precision mediump float;"}},
        {"#version 100\n"
         "precision mediump float;\n"
         "uniform float weights[3];\n"
         "uniform int pick;\n"
         "void main() { gl_FragColor = vec4(weights[pick]); }\n",
         {"es.frag:5: may fail on some GPUs", "GLSL ES 1.00 drivers need only index arrays"}},
    };
    for (const auto& [shader, parts] : cases) {
        const std::string findings = findingsOf(shader, "es.frag");
        for (const char* part : parts)
            EXPECT_NE(findings.find(part), std::string::npos) << part << " in\n" << findings;
    }
    // Constant indices and counting loops are what every ES 1.00 driver takes.
    EXPECT_EQ(findingsOf("#version 100\n"
                         "precision mediump float;\n"
                         "uniform float weights[3];\n"
                         "void main() { float sum = weights[0];\n"
                         "    for (int i = 1; i < 3; i++) sum += weights[i];\n"
                         "    gl_FragColor = vec4(sum); }\n",
                         "es.frag"),
              "");
}

// Every shader file of the project, by its path from the source folder.
std::vector<std::string> projectShaders() {
    std::vector<std::string> found;
    const fs::path root = QS_TEST_SOURCE_DIR;
    for (const char* folder : {"effects", "tests", "fuzz/corpus", "docs", "examples"}) {
        if (!fs::exists(root / folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".frag")
                found.push_back(fs::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(ReferenceCheck, EveryShaderOfTheProjectPassesAsTheDriverGetsIt) {
    // Shaders that compile nowhere, Mesa included: those made for the tests
    // of compile errors, and rewriter inputs that are only ever rewritten (a
    // fuzz seed reading an undeclared sampler; a rewriting-corpus shader whose
    // texture2DLod a GLSL 1.10 fragment shader lacks without the extension).
    // The reference must refuse them too.
    const std::set<std::string> broken = {
        "docs/broken-effect/tint.frag",          "fuzz/corpus/rewriter/cube.frag",
        "tests/gl/shaders/mip_glow.frag",        "tests/tools/effects/badport/commented.frag",
        "tests/tools/effects/badport/typo.frag", "tests/tools/effects/badshader/halo.frag"};
    // Rewriter inputs that read a cube map in GLSL 1.10, kept so for the
    // rewriting's sake: the engine's textureCube emulation has f suffixes,
    // which only GLSL 1.20 has; the reference names that (a #version 120
    // line cures it, as in reliefmaker's finish.frag) and nothing else.
    const std::set<std::string> cubeMaps = {"fuzz/corpus/rewriter/relief.frag",
                                            "tests/gl/shaders/cube_reflection.frag"};
    const std::vector<std::string> shaders = projectShaders();
    // The rewriting corpus and the shaders of the effects are among them.
    EXPECT_GE(shaders.size(), 30u);
    for (const std::string& name : shaders) {
        const std::string text = readFile(QS_TEST_SOURCE_DIR "/" + name);
        const std::string findings = findingsOf(text, name);
        if (broken.count(name) > 0) {
            EXPECT_FALSE(findings.empty()) << name;
        } else if (cubeMaps.count(name) > 0) {
            EXPECT_EQ(findings.find("warning: " + name +
                                    " (in the engine's wrapping code): may fail on some GPUs: "
                                    "the reference compiler (glslang) reports 'floating-point "
                                    "suffix'"),
                      0u)
                << findings;
            EXPECT_EQ(findings.find('\n'), findings.size() - 1) << findings;
            EXPECT_EQ(findingsOf("#version 120\n" + text, name), "") << name;
        } else {
            EXPECT_EQ(findings, "") << name;
        }
    }
}

}  // namespace
