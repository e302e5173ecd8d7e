#include <gtest/gtest.h>

#include <string>

#include "script/ScriptText.h"

namespace {

// Typed from the interface's definition, one source line per prelude line.
const char kExpectedPrelude[] =
    "\n"
    "\n"
    "var QS_Type = { UNKNOWN:0, FLOAT:1, POINT:2, COLOR:3, LAYER:4, POINT2D:5, TEXTURE:6, PATH:7, "
    "BOOL:8, POPUP:9, GROUP_START:10, GROUP_END:11, ANGLE:12};\n"
    "\n"
    "var QS_GL = {\n"
    "  RED:                    0x1903,\n"
    "  GREEN:                  0x1904,\n"
    "  BLUE:                   0x1905,\n"
    "  ALPHA:                  0x1906,\n"
    "\n"
    "  NEAREST:                0x2600,\n"
    "  LINEAR:                 0x2601,\n"
    "  NEAREST_MIPMAP_NEAREST: 0x2700,\n"
    "  LINEAR_MIPMAP_NEAREST:  0x2701,\n"
    "  NEAREST_MIPMAP_LINEAR:  0x2702,\n"
    "  LINEAR_MIPMAP_LINEAR:   0x2703,\n"
    "\n"
    "  TEXTURE_MAG_FILTER:     0x2800,\n"
    "  TEXTURE_MIN_FILTER:     0x2801,\n"
    "  TEXTURE_WRAP_S:         0x2802,\n"
    "  TEXTURE_WRAP_T:         0x2803,\n"
    "  CLAMP:                  0x2804,\n"
    "  REPEAT:                 0x2805,\n"
    "\n"
    "  CLAMP_TO_EDGE:          0x812F,\n"
    "  CLAMP_TO_BORDER:        0x812D,\n"
    "  MIRRORED_REPEAT:        0x8370,\n"
    "\n"
    "  TEXTURE_MIN_LOD:        0x813A,\n"
    "  TEXTURE_MAX_LOD:        0x813B,\n"
    "  TEXTURE_BASE_LEVEL:     0x813C,\n"
    "  TEXTURE_MAX_LEVEL:      0x813D,\n"
    "\n"
    "  TEXTURE_LOD_BIAS:       0x8501,\n"
    "\n"
    "/* ------------------------- GL_ARB_texture_swizzle ------------------------ */\n"
    "  TEXTURE_SWIZZLE_R:      0x8E42,\n"
    "  TEXTURE_SWIZZLE_G:      0x8E43,\n"
    "  TEXTURE_SWIZZLE_B:      0x8E44,\n"
    "  TEXTURE_SWIZZLE_A:      0x8E45\n"
    "};\n"
    "\n"
    "var QS_ParamFlags = {\n"
    "  NONE:               0,\n"
    "\n"
    "  ScaleByWidth:       8,\n"
    "  ScaleByHeight:      16,\n"
    "  RemoveScale:        32\n"
    "};\n"
    "\n";

}  // namespace

TEST(ScriptText, PreludeIsExact) {
    EXPECT_EQ(std::string(kScriptPrelude).size(), 1337u);
    EXPECT_EQ(std::string(kScriptPrelude), std::string(kExpectedPrelude));
}

TEST(ScriptText, FullTextIsPreludeScriptSetupAndMissingDefaults) {
    struct {
        const char* script;
        const char* body;
        bool preRenderDefault, updateUIFlagsDefault;
    } const cases[] = {
        {"", "", true, true},
        {"var a = 1;", "var a = 1;", true, true},
        // Any mention counts as a definition, even in a comment or a string.
        {"// preRender later\n", "// preRender later\n", false, true},
        {"var s = 'updateUIFlags';", "var s = 'updateUIFlags';", true, false},
        {"function preRender(w,h,n) {}\nfunction updateUIFlags() {}",
         "function preRender(w,h,n) {}\nfunction updateUIFlags() {}", false, false},
        // Only the first import line is blanked.
        {"import Q;\nimport Q;\nvar a; import Q;", " \nimport Q;\nvar a; import Q;", true, true},
        {"Q.S.initParam('a', 1); s = 'Q.S.'; Q.Q.S.S.x",
         "QS_initParam('a', 1); s = 'QS_'; Q.QS_S.x", true, true},
        // The prefix is replaced before the defaults are decided.
        {"Q.S.x(preRender)", "QS_x(preRender)", false, true},
    };
    for (const auto& c : cases) {
        std::string expected = std::string(kExpectedPrelude) + c.body + "\nsetup();\n";
        if (c.preRenderDefault) {
            expected += "function preRender(w,h) {};";
        }
        if (c.updateUIFlagsDefault) {
            expected += "function updateUIFlags() {};";
        }
        EXPECT_EQ(buildScriptText(c.script), expected) << c.script;
    }
}
