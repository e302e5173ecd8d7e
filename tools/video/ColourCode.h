#pragma once
// Colour codes (primaries, transfer, matrix, range, chroma siting) as a
// stream states them. The decoder stores a damaged stream's codes as they
// came, outside the library's enumerations, in fields of those enumeration
// types; reading such a field as its type is undefined in C++. It is read
// as a number, and a code the library does not know is taken as unspecified.

#include <cstring>

template <typename Code>
Code knownColourCode(const Code& field, int count, Code unspecified) {
    static_assert(sizeof(Code) == sizeof(int), "the library's enumerations are ints");
    int value = 0;
    std::memcpy(&value, &field, sizeof value);
    return value >= 0 && value < count ? static_cast<Code>(value) : unspecified;
}
