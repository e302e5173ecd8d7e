#include <gtest/gtest.h>

#include <random>

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

TEST(PackageCipher, EngineReadsBackWhatTheToolScrambledAtEverySize) {
    std::mt19937 random(7);
    for (std::size_t size = 0; size < 40; ++size) {
        Bytes plain(size);
        for (auto& b : plain) b = static_cast<std::uint8_t>(random());
        const Bytes scrambled = PackageCipher::scramblePackage(plain);
        ASSERT_EQ(scrambled.size(), size);
        if (size >= 4) {
            EXPECT_NE(scrambled, plain) << size;
        }

        // As the engine does it: the resource copied with 8 zero bytes after it,
        // every whole word of that unscrambled in place.
        Bytes engine = scrambled;
        engine.resize(size + 8, 0);
        PackageCipher::unscramble(engine.data(), engine.size());
        EXPECT_EQ(Bytes(engine.begin(), engine.begin() + size), plain) << size;
        EXPECT_EQ(PackageCipher::unscramblePackage(scrambled), plain) << size;
    }
}

}  // namespace
