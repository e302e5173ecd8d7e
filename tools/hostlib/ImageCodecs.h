#pragma once
// The file formats behind ImageFiles: each decoder throws ImageFileError with
// the reason alone; the caller adds the file name.

#include <cstdint>
#include <vector>

#include "HostWorld.h"
#include "ImageFiles.h"

bool isPng(const std::vector<std::uint8_t>& bytes);
HostWorld decodePng(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> encodePng(const HostWorld& image, int compression);

bool isExr(const std::vector<std::uint8_t>& bytes);
HostWorld decodeExr(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> encodeExr(const HostWorld& image, ExrCompression compression);
