#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "script/ScriptArgs.h"
#include "script/Scripting.h"

using testing::HasSubstr;

namespace {

std::vector<double> recorded;

duk_ret_t record(duk_context* ctx) {
    recorded.push_back(argNumber(ctx, 0));
    return 0;
}

duk_ret_t argumentCount(duk_context* ctx) {
    duk_push_int(ctx, duk_get_top(ctx));
    return 1;
}

const NativeFunction kTestNatives[] = {
    {"record", record, 1},
    {"twoArguments", argumentCount, 2},
    {"anyArguments", argumentCount, DUK_VARARGS},
    {"throwCpp", [](duk_context*) -> duk_ret_t { throw std::runtime_error("boom"); }, 0},
    {"throwHostCode", [](duk_context*) -> duk_ret_t { throw 515; }, 0},
    {"fatal", [](duk_context* ctx) { return duk_fatal(ctx, "test fatal"); }, 0},
};

// A fresh heap for each test; what a test changes of the singleton's limits
// it sets back, as the tests may share a process.
Scripting& startEngine() {
    recorded.clear();
    Scripting& scripting = Scripting::instance();
    scripting.init();
    scripting.registerNatives(kTestNatives, std::size(kTestNatives));
    return scripting;
}

}  // namespace

TEST(Scripting, FailuresEndTheEvaluationAndKeepWhatRanBefore) {
    Scripting& scripting = Scripting::instance();
    scripting.eval("var a = 1;");  // no heap yet: nothing happens
    startEngine();
    scripting.eval(nullptr);
    scripting.eval("var kept = 7;\nrecord(1);\nthrow new Error('stop');\nrecord(2);");
    EXPECT_EQ(scripting.lastError().message, "Error: stop");
    EXPECT_EQ(scripting.lastError().line, 3);
    // A syntax error anywhere means that nothing of the text runs.
    scripting.eval("record(3);\nvar = ;");
    EXPECT_THAT(scripting.lastError().message, HasSubstr("SyntaxError"));
    // A thrown value that cannot be converted still leaves a message.
    scripting.eval("throw { toString: function() { throw 1; } };");
    EXPECT_FALSE(scripting.lastError().message.empty());
    scripting.eval("record(kept); record(twoArguments(1, 2, 3)); record(anyArguments(1, 2, 3));");
    EXPECT_EQ(recorded, std::vector<double>({1, 7, 2, 3}));
    // Success keeps the last failure; clearing forgets it.
    EXPECT_FALSE(scripting.lastError().message.empty());
    scripting.clearLastError();
    EXPECT_TRUE(scripting.lastError().message.empty());
}

TEST(Scripting, InitStartsAFreshHeap) {
    Scripting& scripting = startEngine();
    scripting.eval("var survivor = 1; undefinedName;");
    scripting.init();
    EXPECT_TRUE(scripting.lastError().message.empty());
    scripting.eval("var gone = typeof survivor + typeof record + typeof print;");
    scripting.registerNatives(kTestNatives, std::size(kTestNatives));
    scripting.eval("record(gone === 'undefinedundefinedundefined' ? 1 : 0);");
    EXPECT_EQ(recorded, std::vector<double>({1}));
    scripting.shutdown();
    EXPECT_EQ(scripting.context(), nullptr);
}

TEST(Scripting, EndlessLoopsEndAtTheTimeLimit) {
    Scripting& scripting = startEngine();
    scripting.setTimeLimit(std::chrono::milliseconds(300));
    scripting.eval("record(1); while (true) {}");
    EXPECT_THAT(scripting.lastError().message, HasSubstr("timeout"));
    // Neither a script catch block nor a finalizer, run by the collection
    // after the evaluation or by the heap's destruction, escapes the bound.
    scripting.eval("while (true) { try { while (true) {} } catch (e) {} }");
    scripting.eval("Duktape.fin({}, function() { while (true) {} });");
    scripting.eval("record(2); var held = {}; Duktape.fin(held, function() { while (true) {} });");
    scripting.shutdown();
    EXPECT_EQ(recorded, std::vector<double>({1, 2}));
    scripting.setTimeLimit(std::chrono::milliseconds(5000));
}

// The collector marks objects past its recursion depth from a stack of its
// own, and by scanning the heap when that stack is full: a long chain, and a
// fan of thousands of chains hanging below the depth limit, must keep every
// object through collections.
TEST(Scripting, ObjectsBeyondTheCollectorsRecursionDepthSurviveCollection) {
    Scripting& scripting = startEngine();
    // Slow under the sanitizers, well within the ceiling.
    scripting.setTimeLimit(std::chrono::seconds(10));
    scripting.eval(
        "function chain(n, tag) { var head = {v: tag}, c = head;"
        "  for (var i = 1; i < n; ++i) { c.next = {v: tag + i}; c = c.next; } return head; }"
        "function length(c, tag) { var n = 0; for (; c; c = c.next, ++n) if (c.v !== tag + n) return -1;"
        "  return n; }"
        "var long = chain(100000, 0);"
        "var stem = chain(250, 0), tip = stem; while (tip.next) tip = tip.next;"
        "tip.fan = []; for (var k = 0; k < 6000; ++k) tip.fan.push(chain(12, k * 100));"
        "Duktape.gc(); Duktape.gc();"
        "record(length(long, 0)); record(length(stem, 0));"
        "var intact = 0; for (var k = 0; k < 6000; ++k) intact += length(tip.fan[k], k * 100) === 12;"
        "record(intact);");
    EXPECT_TRUE(scripting.lastError().message.empty()) << scripting.lastError().message;
    EXPECT_EQ(recorded, std::vector<double>({100000, 250, 6000}));
    scripting.setTimeLimit(std::chrono::milliseconds(5000));
}

TEST(Scripting, RunawayAllocationEndsWithTheEngineAllocationError) {
    Scripting& scripting = Scripting::instance();
    scripting.setHeapLimit(4 << 20);
    startEngine();
    scripting.eval("record(1); var s = 'x'; while (true) { s = s + s; }");
    EXPECT_THAT(scripting.lastError().message, HasSubstr("alloc"));
    scripting.eval("var a = []; while (true) { a.push({ n: a.length }); }");
    EXPECT_THAT(scripting.lastError().message, HasSubstr("alloc"));
    // The collections gave the memory back.
    scripting.eval("a = null; var t = 'y'; for (var i = 0; i < 16; ++i) { t = t + t; } record(2);");
    EXPECT_EQ(recorded, std::vector<double>({1, 2}));

    scripting.setHeapLimit(1024);
    scripting.init();
    EXPECT_EQ(scripting.context(), nullptr);
    EXPECT_FALSE(scripting.lastError().message.empty());
    scripting.setHeapLimit(HeapGuard::kDefaultByteLimit);
}

TEST(Scripting, NativeFailuresNeverLeaveTheEngine) {
    Scripting& scripting = startEngine();
    scripting.eval("record(1); throwCpp(); record(2);");
    EXPECT_EQ(scripting.lastError().message, "Error: throwCpp: boom");
    scripting.eval("try { throwHostCode(); } catch (e) { record(3); }");

    // A fatal error gives the heap up instead of ending the process.
    scripting.eval("fatal(); record(4);");
    EXPECT_EQ(scripting.context(), nullptr);
    EXPECT_EQ(scripting.lastError().message, "FatalError: test fatal");
    scripting.eval("record(5);");
    EXPECT_EQ(recorded, std::vector<double>({1, 3}));
    startEngine();
    scripting.eval("record(6);");
    EXPECT_EQ(recorded, std::vector<double>({6}));
}
