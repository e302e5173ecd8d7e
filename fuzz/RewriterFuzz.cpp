// Fragment shader text through the rewriter that adapts it to the engine's
// channel order, in each dialect it treats apart: the text without a
// #version line (1.10), and 1.30 and later (desktop and ES), where every
// sampling call is rewritten. The first byte picks the dialect.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gl/FragmentRewriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const int kVersions[] = {110, 130, 330, 450};
    const int version = kVersions[data[0] % 4];
    const bool es = (data[0] & 4) != 0 && version >= 130;
    rewriteFragmentSource(std::string(reinterpret_cast<const char*>(data + 1), size - 1),
                          es ? 300 : version, es);
    return 0;
}
