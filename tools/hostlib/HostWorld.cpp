#include "HostWorld.h"

#include <cstring>
#include <utility>

HostWorld::HostWorld() {
    bind();
}

HostWorld::HostWorld(A_long width, A_long height, int depth)
    : depth_(WorldPixels::bytesPerPixel(depth) ? depth : 8) {
    if (width > 0 && height > 0) {
        world_.width = width;
        world_.height = height;
        world_.rowbytes = width * WorldPixels::bytesPerPixel(depth_) + kRowPadding;
        storage_.assign(static_cast<std::size_t>(world_.rowbytes) * height, 0);
    }
    bind();
}

HostWorld::HostWorld(const HostWorld& other)
    : storage_(other.storage_), world_(other.world_), depth_(other.depth_) {
    bind();
}

HostWorld& HostWorld::operator=(const HostWorld& other) {
    if (this != &other) {
        storage_ = other.storage_;
        world_ = other.world_;
        depth_ = other.depth_;
        bind();
    }
    return *this;
}

HostWorld::HostWorld(HostWorld&& other) noexcept
    : storage_(std::move(other.storage_)), world_(other.world_), depth_(other.depth_) {
    bind();
    other = HostWorld();
}

HostWorld& HostWorld::operator=(HostWorld&& other) noexcept {
    if (this != &other) {
        storage_ = std::move(other.storage_);
        world_ = other.world_;
        depth_ = other.depth_;
        bind();
        other.storage_.clear();
        other.world_ = PF_EffectWorld{};
        other.bind();
    }
    return *this;
}

void HostWorld::bind() {
    world_.data = storage_.empty() ? nullptr : storage_.data();
    if (world_.pix_aspect_ratio.den == 0)
        world_.pix_aspect_ratio = {1, 1};
    world_.extent_hint = {0, 0, world_.width, world_.height};
}

HostWorld HostWorld::converted(int depth) const {
    HostWorld result(width(), height(), depth);
    result.world_.pix_aspect_ratio = world_.pix_aspect_ratio;
    WorldPixels::copy(pixels(), nullptr, result.pixels(), nullptr);
    return result;
}

A_long HostWorld::scaled(A_long length, PF_RationalScale ratio) {
    if (ratio.den == 0 || ratio.num <= 0 || length <= 0)
        return length;
    const std::int64_t product = static_cast<std::int64_t>(length) * ratio.num;
    return static_cast<A_long>((product + ratio.den - 1) / ratio.den);
}

HostWorld HostWorld::downsampled(PF_RationalScale x, PF_RationalScale y) const {
    HostWorld result(scaled(width(), x), scaled(height(), y), depth_);
    result.world_.pix_aspect_ratio = world_.pix_aspect_ratio;
    // Every output pixel is the source pixel at its position times the
    // inverse ratio: at half resolution every other pixel of every other row.
    const auto source = [](A_long at, PF_RationalScale r, A_long limit) {
        const std::int64_t s = r.num > 0 ? std::int64_t{at} * r.den / r.num : at;
        return static_cast<A_long>(s < limit ? s : limit - 1);
    };
    const int bytes = WorldPixels::bytesPerPixel(depth_);
    for (A_long row = 0; row < result.height(); ++row) {
        const auto* in = static_cast<const unsigned char*>(this->row(source(row, y, height())));
        auto* out = static_cast<unsigned char*>(result.row(row));
        for (A_long column = 0; column < result.width(); ++column)
            std::memcpy(out + column * bytes, in + source(column, x, width()) * bytes, bytes);
    }
    return result;
}
