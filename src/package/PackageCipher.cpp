#include "package/PackageCipher.h"

namespace PackageCipher {
namespace {

std::uint32_t loadWord(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void storeWord(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t nextKey(std::uint32_t key, std::uint32_t plain) {
    return (key + plain) * plain;
}

// Runs a function over a whole package after padding its last word with zeros.
template <class Pass>
std::vector<std::uint8_t> padded(std::vector<std::uint8_t> bytes, std::uint32_t seed, Pass pass) {
    const std::size_t size = bytes.size();
    bytes.resize((size + 3) & ~std::size_t(3), 0);
    pass(bytes.data(), bytes.size(), seed);
    bytes.resize(size);
    return bytes;
}

}  // namespace

void unscramble(std::uint8_t* data, std::size_t size, std::uint32_t seed) {
    std::uint32_t key = seed;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t plain = loadWord(data + at) ^ key;
        storeWord(data + at, plain);
        key = nextKey(key, plain);
    }
}

void scramble(std::uint8_t* data, std::size_t size, std::uint32_t seed) {
    std::uint32_t key = seed;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t plain = loadWord(data + at);
        storeWord(data + at, plain ^ key);
        key = nextKey(key, plain);
    }
}

std::vector<std::uint8_t> scramblePackage(std::vector<std::uint8_t> plain, std::uint32_t seed) {
    return padded(std::move(plain), seed, scramble);
}

std::vector<std::uint8_t> unscramblePackage(std::vector<std::uint8_t> scrambled,
                                            std::uint32_t seed) {
    return padded(std::move(scrambled), seed, unscramble);
}

}  // namespace PackageCipher
