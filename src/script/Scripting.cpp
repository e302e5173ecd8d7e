#include "script/Scripting.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "entities/Context.h"
#include "script/ScriptNatives.h"
#include "script/TimeCeiling.h"

#if !defined(DUK_USE_CPP_EXCEPTIONS) || !defined(DUK_USE_EXEC_TIMEOUT_CHECK)
#error "duktape.h must be the one generated with the settings of cmake/Duktape.cmake"
#endif

// Fatal errors. The engine calls its fatal-error handler for an error that no
// protected call catches, which our calls never leave room for (script code
// runs only in protected evaluations, registration in a safe call), or when
// native code calls duk_fatal. The engine's state is undefined afterwards, so
// the heap can be neither used nor safely destroyed. Rather than terminate the
// host process, the handler marks the heap failed and throws HeapFatal. The
// host entry that started the engine work catches it, or, where the engine's
// catch-all inside a protected call turned it into a script error first, sees
// the mark when the call returns; either way it gives the heap up: the context
// pointer becomes null, so evaluations are refused until the next init(), and
// the heap's memory is freed block by block by its allocator, without calling
// into the engine, whose destruction could crash the host.

namespace {

struct HeapFatal {};

struct RegistrationBatch {
    const NativeFunction* natives;
    size_t count;
    size_t firstIndex;
};

// Keeps an error for tools; losing its text to a failed allocation is
// harmless.
void keepError(ScriptError& error, const char* message, size_t length, int line) {
    try {
        error.message.assign(message, length);
    } catch (const std::bad_alloc&) {
        error.message.clear();
    }
    error.line = line;
}

// [error] -> [text, line]. Converting the error value may run script code
// (a toString of its own), hence the safe call around it. A safe call runs in
// its caller's stack frame, so the error is addressed from the top.
duk_ret_t describeError(duk_context* ctx, void*) {
    const duk_idx_t error = duk_normalize_index(ctx, -1);
    if (duk_is_object(ctx, error)) {
        duk_get_prop_string(ctx, error, "lineNumber");
    } else {
        duk_push_int(ctx, 0);
    }
    const duk_int_t line = duk_to_int(ctx, -1);
    duk_pop(ctx);
    duk_to_string(ctx, error);
    duk_push_int(ctx, line);
    return 2;
}

}  // namespace

// The render context is made first, so that at unload it is destroyed after
// the script host, whose destructor still resets it.
Scripting::Scripting() : timeCeiling_(TimeCeiling::current()) {
    Context::instance();
}

Scripting::~Scripting() {
    shutdown();
}

void Scripting::init() {
    destroyHeap();
    clearLastError();
    timeCeiling_ = TimeCeiling::current();
    guard_.resetForNewHeap();
    try {
        context_ = duk_create_heap(&HeapGuard::allocate, &HeapGuard::reallocate,
                                   &HeapGuard::release, &guard_, &Scripting::onFatal);
    } catch (const HeapFatal&) {
        context_ = nullptr;
    }
    if (guard_.fatal()) {
        abandonHeap();
        return;
    }
    if (context_ == nullptr) {
        const char message[] = "Error: the script heap could not be created";
        keepError(lastError_, message, sizeof message - 1, 0);
        return;
    }
    const NativeTable natives = scriptNatives();
    registerNatives(natives.entries, natives.count);
    Context::instance().initialise();
}

void Scripting::eval(const char* text) {
    if (text == nullptr || context_ == nullptr) {
        return;
    }
    // The clock also runs through the collection, which may call script
    // finalizers.
    guard_.startClock(boundedTimeLimit());
    try {
        if (duk_peval_string(context_, text) != DUK_EXEC_SUCCESS) {
            guard_.allowLateAllocations(true);
            recordError("Error");
            guard_.allowLateAllocations(false);
        }
        duk_pop(context_);
        // After a time-out the collection waits for the next evaluation: a
        // heap filled up to the deadline can take seconds to walk.
        if (!guard_.timedOut()) {
            duk_gc(context_, 0);
        }
    } catch (const HeapFatal&) {
    }
    guard_.allowLateAllocations(false);
    guard_.stopClock();
    if (guard_.fatal()) {
        abandonHeap();
    }
}

void Scripting::shutdown() {
    destroyHeap();
    Context::instance().reset();
}

void Scripting::registerNatives(const NativeFunction* natives, size_t count) {
    if (context_ == nullptr || count == 0) {
        return;
    }
    RegistrationBatch batch{natives, count, natives_.size()};
    natives_.insert(natives_.end(), natives, natives + count);
    bool failed = false;
    try {
        if (duk_safe_call(context_, &Scripting::registerBatch, &batch, 0, 1) != DUK_EXEC_SUCCESS) {
            recordError("Error: the natives could not be registered");
            failed = true;
        }
        duk_pop(context_);
    } catch (const HeapFatal&) {
    }
    if (guard_.fatal()) {
        abandonHeap();
    } else if (failed) {
        // A script must not run with only part of its interface.
        destroyHeap();
    }
}

duk_ret_t Scripting::registerBatch(duk_context* ctx, void* udata) {
    const RegistrationBatch& batch = *static_cast<const RegistrationBatch*>(udata);
    for (size_t i = 0; i < batch.count; ++i) {
        const NativeFunction& native = batch.natives[i];
        duk_push_global_object(ctx);
        duk_push_c_function(ctx, &Scripting::callNative, native.nargs);
        duk_set_magic(ctx, -1, static_cast<duk_int_t>(batch.firstIndex + i));
        duk_put_prop_string(ctx, -2, native.name);
        duk_pop(ctx);
    }
    return 0;
}

duk_ret_t Scripting::callNative(duk_context* ctx) {
    const NativeFunction native =
        instance().natives_[static_cast<size_t>(duk_get_current_magic(ctx))];
    char failure[160];
    try {
        return native.function(ctx);
    } catch (const std::exception& error) {
        std::snprintf(failure, sizeof failure, "%s", error.what());
    } catch (int code) {
        std::snprintf(failure, sizeof failure, "error code %d", code);
    }
    // No C++ exception travels through the engine: a native that failed
    // that way ends the evaluation with an engine error, as the engine's own
    // allocation failures do. The engine's errors (not std::exceptions) pass
    // through untouched.
    return duk_error(ctx, DUK_ERR_ERROR, "%s: %s", native.name, failure);
}

void Scripting::onFatal(void* udata, const char* message) {
    static_cast<HeapGuard*>(udata)->markFatal(message);
    throw HeapFatal();
}

void Scripting::recordError(const char* fallback) {
    duk_dup_top(context_);
    if (duk_safe_call(context_, &describeError, nullptr, 1, 2) == DUK_EXEC_SUCCESS) {
        duk_size_t length = 0;
        const char* text = duk_get_lstring(context_, -2, &length);
        keepError(lastError_, text, length, duk_get_int(context_, -1));
    } else {
        keepError(lastError_, fallback, std::strlen(fallback), 0);
    }
    duk_pop_2(context_);
}

std::chrono::milliseconds Scripting::boundedTimeLimit() const {
    if (timeLimit_.count() <= 0)
        return timeCeiling_;
    return std::min(timeLimit_, timeCeiling_);
}

void Scripting::destroyHeap() {
    if (context_ == nullptr) {
        return;
    }
    // Destruction runs the finalizers that scripts left behind.
    guard_.startClock(boundedTimeLimit());
    try {
        duk_destroy_heap(context_);
    } catch (const HeapFatal&) {
    }
    guard_.stopClock();
    // Whatever a failed destruction left behind.
    guard_.releaseAll();
    context_ = nullptr;
    natives_.clear();
}

void Scripting::abandonHeap() {
    char message[192];
    std::snprintf(message, sizeof message, "FatalError: %s", guard_.fatalMessage());
    keepError(lastError_, message, std::strlen(message), 0);
    guard_.releaseAll();
    context_ = nullptr;
    natives_.clear();
}
