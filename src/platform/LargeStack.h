#pragma once
// Runs work on a large stack of its own, on the calling thread. A driver's
// shader compiler recurses over the program's expressions, and a long but
// legal shader can need more stack than the host's thread has (a thread of
// the host may have 1 MB or less): the compile then overflows the stack and
// takes the host down. The module starts no thread, so it switches the
// calling thread onto a stack it allocates (a fiber on Windows, a context
// switch on Linux) for the length of the work and back.

#include <cstddef>
#include <functional>

namespace LargeStack {

// The stack's size. Pages are only committed as the work touches them.
constexpr std::size_t kBytes = std::size_t{64} << 20;

// Runs `work` on a stack of kBytes and returns when it ends; an exception
// that leaves `work` is rethrown here, on the caller's stack. Where no such
// stack can be had (the memory is refused, or the work already runs on one)
// `work` runs on the caller's stack.
void run(const std::function<void()>& work);

}  // namespace LargeStack
