#pragma once
// The JPEG decoder the engine and the tool use trusts the code counts of a
// Huffman table: counts adding up to more than 256 symbols make it write past
// its tables, in its header reader as well as its decoder. Both refuse such a
// file before the decoder sees it.

#include <cstdint>
#include <vector>

// Whether every Huffman table of a JPEG stays within 256 symbols; true for
// anything that is not a JPEG.
bool jpegHuffmanTablesFit(const std::vector<std::uint8_t>& bytes);
