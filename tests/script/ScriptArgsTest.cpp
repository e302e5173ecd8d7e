#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "script/ScriptArgs.h"
#include "script/Scripting.h"

namespace {

struct Conversions {
    double number;
    int32_t integer;
    uint32_t handle;
    uint32_t flags;
    std::string text;
    bool flag;
};

std::vector<Conversions> probed;

// Every conversion of the first argument, each on its own copy, since a
// conversion replaces the value on the stack.
duk_ret_t probe(duk_context* ctx) {
    Conversions c;
    c.number = (duk_dup(ctx, 0), argNumber(ctx, -1));
    c.integer = (duk_dup(ctx, 0), argInt(ctx, -1));
    c.handle = (duk_dup(ctx, 0), argHandle(ctx, -1));
    c.flags = (duk_dup(ctx, 0), argFlags(ctx, -1));
    c.text = (duk_dup(ctx, 0), argString(ctx, -1));
    c.flag = (duk_dup(ctx, 0), argBool(ctx, -1));
    probed.push_back(c);
    return 0;
}

// A variable-argument native that reads a third argument.
duk_ret_t third(duk_context* ctx) {
    probed.push_back({argNumber(ctx, 2), 0, 0, 0, "", false});
    return 0;
}

const NativeFunction kNatives[] = {{"probe", probe, 1}, {"third", third, DUK_VARARGS}};

void start() {
    Scripting::instance().init();
    Scripting::instance().registerNatives(kNatives, std::size(kNatives));
}

Conversions convert(const std::string& expression) {
    probed.clear();
    Scripting::instance().eval(("probe(" + expression + ");").c_str());
    EXPECT_EQ(probed.size(), 1u) << expression << ": " << Scripting::instance().lastError().message;
    return probed.empty() ? Conversions{} : probed.front();
}

}  // namespace

// Numbers, strings and booleans follow the language; integers then truncate
// toward zero and clamp (handles), or wrap (flags).
TEST(ScriptArgs, EachValueConvertsAsTheLanguageCoercesIt) {
    start();
    const double nan = std::nan("");
    struct {
        const char* expression;
        double number;
        int32_t integer;
        uint32_t handle, flags;
        std::string text;
        bool flag;
    } const cases[] = {
        {"NaN", nan, 0, 0, 0, "NaN", false},
        {"undefined", nan, 0, 0, 0, "undefined", false},
        {"-1", -1, -1, 0xFFFFFFFFu, 0xFFFFFFFFu, "-1", true},
        {"2.9", 2.9, 2, 2, 2, "2.9", true},
        {"-2.7", -2.7, -2, 0xFFFFFFFEu, 0xFFFFFFFEu, "-2.7", true},
        {"3000000000", 3e9, 2147483647, 0x7FFFFFFFu, 3000000000u, "3000000000", true},
        {"-3000000000", -3e9, -2147483647 - 1, 0x80000000u, 1294967296u, "-3000000000", true},
        {"4294967301", 4294967301.0, 2147483647, 0x7FFFFFFFu, 5, "4294967301", true},
        {"-Infinity", -INFINITY, -2147483647 - 1, 0x80000000u, 0, "-Infinity", true},
        {"' 0x10 '", 16, 16, 16, 16, " 0x10 ", true},
        {"'abc'", nan, 0, 0, 0, "abc", true},
        {"true", 1, 1, 1, 1, "true", true},
        {"{ valueOf: function() { return -9.5; } }", -9.5, -9, 0xFFFFFFF7u, 0xFFFFFFF7u,
         "[object Object]", true},
        {"[-2.5]", -2.5, -2, 0xFFFFFFFEu, 0xFFFFFFFEu, "-2.5", true},
        {"'a\\u0000b'", nan, 0, 0, 0, std::string("a\0b", 3), true},
        // A Symbol, whose coercion the language rejects, gives NaN and "".
        {"Symbol('s')", nan, 0, 0, 0, "", true}};
    for (const auto& c : cases) {
        const Conversions converted = convert(c.expression);
        EXPECT_TRUE(converted.number == c.number ||
                    (std::isnan(converted.number) && std::isnan(c.number)))
            << c.expression << ": " << converted.number;
        EXPECT_EQ(converted.integer, c.integer) << c.expression;
        EXPECT_EQ(converted.handle, c.handle) << c.expression;
        EXPECT_EQ(converted.flags, c.flags) << c.expression;
        EXPECT_EQ(converted.text, c.text) << c.expression;
        EXPECT_EQ(converted.flag, c.flag) << c.expression;
    }
}

TEST(ScriptArgs, ErrorsOfUserConversionsEndTheEvaluation) {
    Scripting& scripting = Scripting::instance();
    start();
    probed.clear();
    scripting.eval("probe({ valueOf: function() { throw new Error('mine'); } }); probe(1);");
    EXPECT_TRUE(probed.empty());
    EXPECT_EQ(scripting.lastError().message, "Error: mine");
    // A missing argument of a variable-argument native is the engine's range
    // error.
    scripting.eval("third(1, 2, 3); third(1, 2); third(4, 5, 6);");
    ASSERT_EQ(probed.size(), 1u);
    EXPECT_EQ(probed[0].number, 3);
    EXPECT_EQ(scripting.lastError().message.rfind("RangeError", 0), 0u);
}
