#pragma once
// The script host: owns the one engine heap of the process, registers the
// natives of the script interface on its global object and evaluates program
// texts on behalf of the plug-in object. Script errors end the evaluation that
// raised them and go no further; the host keeps the last one only so that a
// tool can show it.

#include <chrono>
#include <cstddef>
#include <vector>

#include "duktape.h"
#include "platform/ustl/Singleton.h"
#include "script/HeapGuard.h"
#include "script/NativeFunction.h"
#include "script/ScriptError.h"

class Scripting : public ustl::dynamic_singleton<Scripting> {
public:
    virtual ~Scripting();
    Scripting(const Scripting&) = delete;
    Scripting& operator=(const Scripting&) = delete;

    // Creates a fresh heap (destroying any previous one), registers the
    // natives of the script interface and initialises the render context with
    // empty registries and one instance. Clears the last error.
    void init();

    // When `text` is not null and a heap exists: evaluates `text` as a global
    // program in protected mode, drops its result or error, then runs one full
    // garbage collection. The evaluation, collection included, is ended by
    // the engine's RangeError once it has run longer than the time limit.
    void eval(const char* text);

    // Destroys the heap if one exists, then resets the render context, which
    // destroys every entity and instance.
    void shutdown();

    // The heap's main-thread context; null while no heap exists.
    duk_context* context() const { return context_; }

    // Stores each native of the table as a property of the global object, in
    // table order. Used by init() with the script interface's table; tests
    // and benchmarks add their own. A failure (the heap ran out of memory)
    // records the error and destroys the heap.
    void registerNatives(const NativeFunction* natives, size_t count);

    // How long one evaluation may run; 5 seconds unless changed. A bound of 0,
    // or one above the user's ceiling (script/TimeCeiling.h, read by init()),
    // runs to the ceiling. Applies from the next evaluation.
    void setTimeLimit(std::chrono::milliseconds bound) { timeLimit_ = bound; }

    // How many bytes the heap may hold at once; 256 MiB unless changed. Applies
    // at once, to the current heap too.
    void setHeapLimit(size_t bytes) { guard_.setByteLimit(bytes); }

    // The most recent failure of an evaluation, registration or heap creation
    // since init() or clearLastError(); an empty message when none.
    const ScriptError& lastError() const { return lastError_; }
    void clearLastError() { lastError_ = ScriptError(); }

private:
    friend class ustl::dynamic_singleton<Scripting>;
    Scripting();

    static duk_ret_t callNative(duk_context* ctx);
    static duk_ret_t registerBatch(duk_context* ctx, void* udata);
    static void onFatal(void* udata, const char* message);

    void recordError(const char* fallback);
    void destroyHeap();
    void abandonHeap();
    // The time limit held to the ceiling.
    std::chrono::milliseconds boundedTimeLimit() const;

    duk_context* context_ = nullptr;
    HeapGuard guard_;
    // Registered natives; each engine function holds its index as its magic.
    std::vector<NativeFunction> natives_;
    std::chrono::milliseconds timeLimit_{5000};
    std::chrono::milliseconds timeCeiling_;
    ScriptError lastError_;
};
