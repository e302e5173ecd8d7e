// The large stack on Linux: memory mapped on demand, below it a page that
// faults on an overflow, and a ucontext switch onto it and back.
// ThreadSanitizer is told of each switch, as it keeps a picture of each
// stack. AddressSanitizer intercepts swapcontext and warns on each process's
// first switch that it may then report falsely, so an AddressSanitizer build
// keeps the caller's stack: its tests run on threads with stacks of their
// own size.
#include "platform/LargeStack.h"

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <exception>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QS_ADDRESS_SANITIZER 1
#endif
#if __has_feature(thread_sanitizer)
#define QS_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QS_ADDRESS_SANITIZER 1
#endif
#if defined(__SANITIZE_THREAD__)
#define QS_THREAD_SANITIZER 1
#endif
#ifdef QS_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

#ifdef QS_ADDRESS_SANITIZER

void LargeStack::run(const std::function<void()>& work) {
    work();
}

#else

namespace {

struct Switch {
    ucontext_t caller;
    ucontext_t callee;
    const std::function<void()>* work = nullptr;
    std::exception_ptr error;
    void* callerFiber = nullptr;
    void* calleeFiber = nullptr;
};

// The switch in progress on this thread: makecontext passes no pointer.
thread_local Switch* current = nullptr;

void entry() {
    Switch& s = *current;
    try {
        (*s.work)();
    } catch (...) {
        s.error = std::current_exception();
    }
#ifdef QS_THREAD_SANITIZER
    __tsan_switch_to_fiber(s.callerFiber, 0);
#endif
    // Returning resumes the caller through uc_link.
}

}  // namespace

void LargeStack::run(const std::function<void()>& work) {
    if (current != nullptr) {
        work();
        return;
    }
    const std::size_t guard = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mapping = mmap(nullptr, kBytes + guard, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) {
        work();
        return;
    }
    Switch s;
    if (mprotect(mapping, guard, PROT_NONE) != 0 || getcontext(&s.callee) != 0) {
        munmap(mapping, kBytes + guard);
        work();
        return;
    }
    s.work = &work;
    s.callee.uc_stack.ss_sp = static_cast<char*>(mapping) + guard;
    s.callee.uc_stack.ss_size = kBytes;
    s.callee.uc_link = &s.caller;
    makecontext(&s.callee, entry, 0);
#ifdef QS_THREAD_SANITIZER
    s.callerFiber = __tsan_get_current_fiber();
    s.calleeFiber = __tsan_create_fiber(0);
    __tsan_switch_to_fiber(s.calleeFiber, 0);
#endif
    current = &s;
    swapcontext(&s.caller, &s.callee);
    current = nullptr;
#ifdef QS_THREAD_SANITIZER
    __tsan_destroy_fiber(s.calleeFiber);
#endif
    munmap(mapping, kBytes + guard);
    if (s.error)
        std::rethrow_exception(s.error);
}

#endif
