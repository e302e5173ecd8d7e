#include "script/HeapGuard.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Every block carries a header in front: its size, so that release and
// reallocation can keep the account, and its links in the list of live blocks,
// so that a heap given up after a fatal error can be freed without running
// any engine code. The header keeps the block maximally aligned.
struct alignas(std::max_align_t) HeapGuard::Block {
    Block* previous;
    Block* next;
    size_t size;
};

void* HeapGuard::payloadOf(Block* block) {
    return block + 1;
}

HeapGuard::Block* HeapGuard::blockOf(void* payload) {
    return static_cast<Block*>(payload) - 1;
}

bool HeapGuard::fits(size_t othersInUse, size_t size) const {
    return size <= byteLimit_ && othersInUse <= byteLimit_ - size;
}

void HeapGuard::link(Block* block) {
    block->previous = nullptr;
    block->next = blocks_;
    if (blocks_ != nullptr) {
        blocks_->previous = block;
    }
    blocks_ = block;
}

void HeapGuard::unlink(Block* block) {
    if (block->previous != nullptr) {
        block->previous->next = block->next;
    } else {
        blocks_ = block->next;
    }
    if (block->next != nullptr) {
        block->next->previous = block->previous;
    }
}

void* HeapGuard::allocate(void* udata, duk_size_t size) {
    HeapGuard& guard = *static_cast<HeapGuard*>(udata);
    if (!guard.fits(guard.bytesInUse_, size) || guard.refusesLate(size)) {
        return nullptr;
    }
    Block* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
    if (block == nullptr) {
        return nullptr;
    }
    block->size = size;
    guard.link(block);
    guard.bytesInUse_ += size;
    return payloadOf(block);
}

void* HeapGuard::reallocate(void* udata, void* payload, duk_size_t size) {
    if (payload == nullptr) {
        return allocate(udata, size);
    }
    HeapGuard& guard = *static_cast<HeapGuard*>(udata);
    Block* block = blockOf(payload);
    const size_t othersInUse = guard.bytesInUse_ - block->size;
    // Shrinking always succeeds: the engine relies on it.
    if (!guard.fits(othersInUse, size) ||
        (size > block->size && guard.refusesLate(size - block->size))) {
        return nullptr;
    }
    guard.unlink(block);
    Block* moved = static_cast<Block*>(std::realloc(block, sizeof(Block) + size));
    if (moved == nullptr) {
        guard.link(block);
        return nullptr;
    }
    moved->size = size;
    guard.link(moved);
    guard.bytesInUse_ = othersInUse + size;
    return payloadOf(moved);
}

void HeapGuard::release(void* udata, void* payload) {
    if (payload == nullptr) {
        return;
    }
    HeapGuard& guard = *static_cast<HeapGuard*>(udata);
    Block* block = blockOf(payload);
    guard.unlink(block);
    guard.bytesInUse_ -= block->size;
    std::free(block);
}

void HeapGuard::releaseAll() {
    while (blocks_ != nullptr) {
        Block* next = blocks_->next;
        std::free(blocks_);
        blocks_ = next;
    }
    bytesInUse_ = 0;
}

void HeapGuard::setByteLimit(size_t bytes) {
    // A request within the limit must not overflow with its header.
    byteLimit_ = std::min(bytes, SIZE_MAX - sizeof(Block));
}

void HeapGuard::resetForNewHeap() {
    releaseAll();
    clockRunning_ = false;
    collectionNanosPerByte_ = 0;
    fatal_ = false;
    fatalMessage_[0] = '\0';
}

void HeapGuard::markFatal(const char* message) {
    fatal_ = true;
    std::snprintf(fatalMessage_, sizeof fatalMessage_, "%s", message != nullptr ? message : "");
}

void HeapGuard::startClock(std::chrono::milliseconds bound) {
    lateBytes_ = 0;
    lateStarted_ = false;
    clockRunning_ = bound.count() > 0;
    deadline_ = std::chrono::steady_clock::now() + bound;
}

bool HeapGuard::refusesLate(size_t size) {
    // Enough for the error objects and messages of the time-out, far too
    // little for a built-in to do any real work with.
    constexpr size_t kLateAllowance = 64 * 1024;
    if (!clockRunning_ || lateAllocations_) {
        return false;
    }
    // Reading the clock costs as much as a small allocation: small requests
    // look at it one time in 64, large ones, which a long built-in makes as
    // its buffers grow, every time.
    if (!lateStarted_) {
        if (size < 4096 && (++smallRequests_ & 63) != 0) {
            return false;
        }
        if (!timedOut()) {
            return false;
        }
        lateStarted_ = true;
    }
    if (size > kLateAllowance - lateBytes_) {
        return true;
    }
    lateBytes_ += size;
    return false;
}

bool HeapGuard::timedOut() const {
    return clockRunning_ && std::chrono::steady_clock::now() >= deadline_;
}

bool HeapGuard::collectionStarts() {
    const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    if (clockRunning_ && !lateAllocations_) {
        // Half as long again as the last one's rate: a loaded machine
        // varies that much from one collection to the next.
        const std::chrono::duration<double, std::nano> expected(1.5 * collectionNanosPerByte_ *
                                                                double(bytesInUse_));
        if (now + expected > deadline_) {
            return false;
        }
    }
    collectionStart_ = now;
    collectionBytes_ = bytesInUse_;
    return true;
}

void HeapGuard::collectionEnds() {
    const std::chrono::duration<double, std::nano> took =
        std::chrono::steady_clock::now() - collectionStart_;
    // A small heap's collection is mostly fixed costs; the rate that
    // predicts a large one comes from the last large one.
    constexpr size_t kLargeHeap = 1 << 20;
    if (collectionBytes_ >= kLargeHeap) {
        collectionNanosPerByte_ = took.count() / double(collectionBytes_);
    }
}

duk_bool_t qsScriptCollectionStarts(void* udata) {
    return static_cast<HeapGuard*>(udata)->collectionStarts() ? 1 : 0;
}

void qsScriptCollectionEnds(void* udata) {
    static_cast<HeapGuard*>(udata)->collectionEnds();
}

duk_bool_t qsScriptTimedOut(void* udata) {
    return static_cast<const HeapGuard*>(udata)->timedOut() ? 1 : 0;
}
