#pragma once
// The scrambling of effect packages: a 32-bit autokey XOR over little-endian
// words. Each word is XOR-ed with a running key that starts at the seed and is
// then updated from the plain word, k = (k + p) * p modulo 2^32. The engine
// unscrambles; the packing tool scrambles with the same seed.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace PackageCipher {

// Chosen when the engine is built and compiled into the engine and the tool alike.
constexpr std::uint32_t kSeed = QS_PACKAGE_SEED;

// Unscrambles, in place, every 32-bit word that lies wholly inside the buffer.
void unscramble(std::uint8_t* data, std::size_t size, std::uint32_t seed = kSeed);

// Scrambles, in place, every 32-bit word that lies wholly inside the buffer.
void scramble(std::uint8_t* data, std::size_t size, std::uint32_t seed = kSeed);

// Whole packages of any size. The engine reads a package's last partial word
// completed with zero bytes, so both sides treat it that way; the result has
// the input's size.
std::vector<std::uint8_t> scramblePackage(std::vector<std::uint8_t> plain,
                                          std::uint32_t seed = kSeed);
std::vector<std::uint8_t> unscramblePackage(std::vector<std::uint8_t> scrambled,
                                            std::uint32_t seed = kSeed);

}  // namespace PackageCipher
