// The large stack on Windows: a fiber with the stack reserved in full and
// committed as it grows. The thread becomes a fiber for the switch unless it
// already is one (the host's own), and is given back as it was.
#include "platform/LargeStack.h"

#include <windows.h>

#include <exception>

namespace {

struct Switch {
    const std::function<void()>* work = nullptr;
    std::exception_ptr error;
    void* caller = nullptr;
};

// The fiber this thread runs, once it is one. MinGW's GetCurrentFiber reads
// the thread's information block through a segment register, which GCC's
// bounds analysis takes for an access into an empty array.
void* currentFiber() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    return GetCurrentFiber();
#pragma GCC diagnostic pop
}

// Set while this thread runs work on a fiber of ours.
thread_local bool onLargeStack = false;

void WINAPI entry(void* parameter) {
    Switch& s = *static_cast<Switch*>(parameter);
    try {
        (*s.work)();
    } catch (...) {
        s.error = std::current_exception();
    }
    // A fiber's routine must not return, which would end the thread: switch
    // back for good; the caller deletes this fiber.
    SwitchToFiber(s.caller);
}

}  // namespace

void LargeStack::run(const std::function<void()>& work) {
    if (onLargeStack) {
        work();
        return;
    }
    const bool converted = !IsThreadAFiber();
    Switch s;
    s.work = &work;
    s.caller = converted ? ConvertThreadToFiber(nullptr) : currentFiber();
    if (s.caller == nullptr) {
        work();
        return;
    }
    void* fiber = CreateFiberEx(64 * 1024, kBytes, FIBER_FLAG_FLOAT_SWITCH, entry, &s);
    if (fiber == nullptr) {
        if (converted)
            ConvertFiberToThread();
        work();
        return;
    }
    onLargeStack = true;
    SwitchToFiber(fiber);
    onLargeStack = false;
    DeleteFiber(fiber);
    if (converted)
        ConvertFiberToThread();
    if (s.error)
        std::rethrow_exception(s.error);
}
