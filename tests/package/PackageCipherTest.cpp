#include <gtest/gtest.h>

#include "package/PackageCipher.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PackageCipher, ScramblesKnownWordsWithTheAutokeyRecurrence) {
    // k0 = 1: 2^1 = 3, k1 = (1+2)*2 = 6: 3^6 = 5.
    EXPECT_EQ(PackageCipher::scramblePackage({2, 0, 0, 0, 3, 0, 0, 0}, 1),
              (Bytes{3, 0, 0, 0, 5, 0, 0, 0}));
    // The key wraps modulo 2^32: k1 = (0xFFFFFFFF + 2) * 2 = 2.
    EXPECT_EQ(PackageCipher::scramblePackage({2, 0, 0, 0, 0, 0, 0, 0x80}, 0xFFFFFFFFu),
              (Bytes{0xFD, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0x80}));
    // A last partial word is scrambled as if completed with zero bytes:
    // k1 = (1 + 0x44332211) * 0x44332211 = 0xE381A732, 0x55 ^ 0x32 = 0x67.
    EXPECT_EQ(PackageCipher::scramblePackage({0x11, 0x22, 0x33, 0x44, 0x55}, 1),
              (Bytes{0x10, 0x22, 0x33, 0x44, 0x67}));
}

}  // namespace
