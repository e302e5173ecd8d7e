#include "ImageBudget.h"

#include <cstdlib>

namespace {

// In whole MiB, rounded up; a double so that no stated size overflows.
std::string mebibytes(double bytes) {
    const double mib = bytes / double(std::uint64_t{1} << 20);
    return std::to_string(static_cast<std::uint64_t>(mib + 0.999)) + " MiB";
}

}  // namespace

std::uint64_t ImageBudget::limit(std::string& error) {
    error.clear();
    const char* text = std::getenv(kVariable);
    if (text == nullptr || *text == '\0')
        return kDefaultBytes;
    std::uint64_t mib = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        // Past 2^40 MiB the byte count would leave 64 bits.
        if (*c < '0' || *c > '9' || mib > (std::uint64_t{1} << 40)) {
            mib = 0;
            break;
        }
        mib = mib * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    if (mib == 0 || mib > (std::uint64_t{1} << 40)) {
        error =
            std::string(kVariable) + " must be a whole number of MiB from 1, not '" + text + "'";
        return 0;
    }
    return mib << 20;
}

std::string ImageBudget::refusal(std::uint64_t width, std::uint64_t height,
                                 std::uint32_t bytesPerPixel) {
    std::string error;
    const std::uint64_t room = limit(error);
    if (!error.empty())
        return error;
    // Sides come from 32-bit header fields, so the product fits 64 bits; the
    // byte count is compared by division so that it cannot overflow.
    const std::uint64_t pixels = width * height;
    if (pixels == 0 || pixels <= room / bytesPerPixel)
        return std::string();
    return "the image states " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, " + mebibytes(double(pixels) * bytesPerPixel) +
           " decoded, over the limit of " + mebibytes(double(room)) + " an image may take (" +
           kVariable + " raises it)";
}
