#pragma once
// What the engine heap consults while it runs, passed to it as its user data:
// its allocator, which counts live bytes against a budget and keeps every
// block it hands out; the deadline of the running evaluation, which the
// engine's execution time-out check reads; and whether a fatal error has left
// the heap unusable.

#include <chrono>
#include <cstddef>

#include "duktape.h"

class HeapGuard {
public:
    // The script heap's default size. An evaluation ended at its deadline
    // drops what it built at once, and the engine visits every dropped
    // object before it returns: about a second a gigabyte of small objects
    // on a loaded machine, so the heap's size bounds how long a time-out can
    // overrun.
    static constexpr size_t kDefaultByteLimit = size_t(256) << 20;

    HeapGuard() = default;
    HeapGuard(const HeapGuard&) = delete;
    HeapGuard& operator=(const HeapGuard&) = delete;

    // Allocation functions of the heap; `udata` is the HeapGuard. They
    // forward to the process allocator and fail, returning null, when a
    // request would take the heap's live bytes past the limit. The engine
    // then collects garbage, retries and finally throws its allocation
    // error inside the running evaluation. Past the deadline requests fail
    // once a small allowance is spent (unless late allocations are allowed),
    // which ends a built-in function that would otherwise run on long after
    // it; the allowance leaves room for the engine's time-out error.
    static void* allocate(void* udata, duk_size_t size);
    static void* reallocate(void* udata, void* payload, duk_size_t size);
    static void release(void* udata, void* payload);

    // Frees every block still allocated, without the engine's help: nothing
    // is left after the engine destroyed its heap, everything is after a
    // fatal error, when the engine must not run again.
    void releaseAll();

    void setByteLimit(size_t bytes);
    size_t bytesInUse() const { return bytesInUse_; }

    // A new heap starts with no blocks and in good health.
    void resetForNewHeap();

    // Arms the deadline `bound` from now; a zero bound arms none.
    void startClock(std::chrono::milliseconds bound);
    void stopClock() { clockRunning_ = false; }
    // Once past the deadline this stays true until the clock is stopped, as
    // the engine requires: it keeps throwing until the error has left every
    // script catch block.
    bool timedOut() const;
    // Lets the host describe the error that ended an evaluation after its
    // deadline: allocations succeed again while script code stays stopped.
    void allowLateAllocations(bool allowed) { lateAllocations_ = allowed; }

    // Whether a garbage collection may start now: not when, at the rate the
    // last large collection took per byte in use, it would end past the
    // deadline. A collection cannot be interrupted, and the evaluation fails
    // at the deadline whatever it frees.
    bool collectionStarts();
    void collectionEnds();

    // Set by the heap's fatal-error handler; `message` is copied, shortened
    // if need be.
    void markFatal(const char* message);
    bool fatal() const { return fatal_; }
    const char* fatalMessage() const { return fatalMessage_; }

private:
    struct Block;

    static void* payloadOf(Block* block);
    static Block* blockOf(void* payload);
    bool fits(size_t othersInUse, size_t size) const;
    bool refusesLate(size_t size);
    void link(Block* block);
    void unlink(Block* block);

    Block* blocks_ = nullptr;
    size_t byteLimit_ = kDefaultByteLimit;
    size_t bytesInUse_ = 0;
    bool clockRunning_ = false;
    bool lateAllocations_ = false;
    size_t lateBytes_ = 0;
    // Past the deadline, as seen by the allocator.
    bool lateStarted_ = false;
    unsigned smallRequests_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point collectionStart_;
    size_t collectionBytes_ = 0;
    double collectionNanosPerByte_ = 0;
    bool fatal_ = false;
    char fatalMessage_[160] = {};
};

// The engine's execution time-out check (configured in cmake/Duktape.cmake);
// `udata` is the heap's HeapGuard.
duk_bool_t qsScriptTimedOut(void* udata);
// Around each garbage collection of the engine (patched in by
// cmake/DuktapeTimeLimits.cmake); a false start skips the collection.
duk_bool_t qsScriptCollectionStarts(void* udata);
void qsScriptCollectionEnds(void* udata);
