#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "script/ScriptText.h"

// The prelude's text is fixed: effects written for it rely on every name and
// on its line count, which script error lines are reported against.
TEST(ScriptText, PreludeKeepsItsSizeAndLines) {
    const std::string prelude = kScriptPrelude;
    EXPECT_EQ(prelude.size(), 1337u);
    EXPECT_EQ(std::count(prelude.begin(), prelude.end(), '\n'), 50);
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
        std::string expected = std::string(kScriptPrelude) + c.body + "\nsetup();\n";
        if (c.preRenderDefault)
            expected += "function preRender(w,h) {};";
        if (c.updateUIFlagsDefault)
            expected += "function updateUIFlags() {};";
        EXPECT_EQ(buildScriptText(c.script), expected) << c.script;
    }
}
