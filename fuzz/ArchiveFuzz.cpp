// The package archive as `quillshade unpack` takes it apart once it has the
// unscrambled package: every entry listed, the stated sizes judged and every
// entry inflated. The bytes go in directly rather than through the file that
// unpack reads: its reader allocates a mebibyte a read, and the page faults
// of that took nearly all of every run (130 runs a second instead of 4,900).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "PackError.h"
#include "PackageArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        PackageArchive::unzip(std::vector<std::uint8_t>(data, data + size), "package");
    } catch (const PackError&) {
    }
    return 0;
}
