#pragma once
// An image as the host hands one out: a PF_LayerDef block that gives the
// module the pixels' address, row stride, size and origin (its other fields
// hold the canary: the module learns depth and pixels through the suites),
// and the pixels, rows padded with canary bytes and followed by guard bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "ByteBlock.h"

class World {
public:
    static constexpr std::size_t kRowPadding = 16;

    // Pixels of `depth` bits per channel (8, 16 or 32), all canary.
    World(std::string name, int width, int height, int depth);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    std::size_t pixelBytes() const { return 4u * static_cast<std::size_t>(depth_) / 8; }
    std::size_t rowBytes() const { return rowBytes_; }
    void* def() { return def_.data(); }
    const ByteBlock& defBlock() const { return def_; }
    std::uint8_t* pixels() { return pixels_.data(); }

    void setOrigin(int x, int y);
    // Rows packed without padding, top row first.
    void setPacked(const std::vector<std::uint8_t>& rows);
    std::vector<std::uint8_t> packed() const;
    // Fails the run for a write into a row's padding or past the last row.
    void checkPadding() const;

private:
    int width_;
    int height_;
    int depth_;
    std::size_t rowBytes_;
    ByteBlock def_;
    ByteBlock pixels_;
};
