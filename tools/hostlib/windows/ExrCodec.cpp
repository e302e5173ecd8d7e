// OpenEXR on Windows: the OpenEXR library is not part of the Windows build, so
// EXR files are recognised and refused with a reason the user can act on.
#include <cstring>

#include "ImageCodecs.h"
#include "ImageFiles.h"

namespace {

[[noreturn]] void unavailable() {
    throw ImageFileError("OpenEXR files are not supported by the Windows build; use PNG");
}

}  // namespace

bool isExr(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t magic[4] = {0x76, 0x2f, 0x31, 0x01};
    return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

HostWorld decodeExr(const std::vector<std::uint8_t>&) {
    unavailable();
}

std::vector<std::uint8_t> encodeExr(const HostWorld&, ExrCompression) {
    unavailable();
}
