#pragma once
// A deterministic photograph-like test image: smooth gradients, soft-edged
// shapes and sensor-like noise, 8 bits per channel in host order.

#include <cstdint>
#include <vector>

#include "surfaces/ImageLib/Pixels.h"

constexpr std::uint32_t kBenchWidth = 1920;
constexpr std::uint32_t kBenchHeight = 1080;

std::vector<ImageLib::Pixel8> makeBenchImage(std::uint32_t width, std::uint32_t height);
