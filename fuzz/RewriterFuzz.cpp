// Fragment shader text through the rewriter that adapts it to the engine's
// channel order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gl/FragmentRewriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rewriteFragmentSource(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
