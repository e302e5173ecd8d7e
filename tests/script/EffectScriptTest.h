#pragma once
// Runs effect scripts as the plug-in does, on the real GL context: a fresh
// engine and render context, the full script text evaluated (setup() runs),
// then the declared parameters copied into the current instance. `jx` gives a
// script value in the engine's extended JSON, which writes NaN as such.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "entities/Context.h"
#include "gl/RenderTarget.h"
#include "script/ScriptText.h"
#include "script/Scripting.h"
#include "support/GLTestContext.h"
#include "support/ReadBack.h"

class EffectScriptTest : public ::testing::Test {
protected:
    // Entities own GL objects: they go while the GL context still exists.
    void TearDown() override { Scripting::instance().shutdown(); }

    static Context& context() { return Context::instance(); }
    static Sequence& sequence() { return *context().currentSequence(); }

    void load(const std::string& script) {
        Scripting::instance().init();
        run(buildScriptText(script));
        sequence().assign(context());
    }

    // Evaluates statements that must not fail.
    void run(const std::string& code) {
        Scripting::instance().clearLastError();
        Scripting::instance().eval(code.c_str());
        EXPECT_EQ(Scripting::instance().lastError().message, "") << code;
    }

    std::string jx(const std::string& expression) {
        run("var jxResult = Duktape.enc('jx', " + expression + ");");
        duk_context* ctx = Scripting::instance().context();
        duk_get_global_string(ctx, "jxResult");
        const std::string text = duk_safe_to_string(ctx, -1);
        duk_pop(ctx);
        return text;
    }

    std::uint32_t handle(const std::string& name) { return std::stoul(jx(name)); }

    // A frame as the frame path renders it: output target prepared, draw().
    void drawFrame(double time, std::uint32_t width, std::uint32_t height) {
        context().prepareOutput(time, width, height, 8);
        run("draw();");
    }

    // A render target's pixels, bottom row first, bytes in host order A, R, G, B.
    static std::vector<std::uint8_t> pixelsOf(std::uint32_t target) {
        return readBack<std::uint8_t>(context().getRenderTarget(target));
    }

    GLTestContext gl;
};
