#include "WorldPixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

float toUnit(float v, float max) {
    return v / max;
}

template <class T>
T fromUnit(float v, float max) {
    const float clamped = std::min(std::max(v, 0.0f), 1.0f);
    return static_cast<T>(std::lround(clamped * max));
}

PF_Rect wholeImage(const WorldPixels& pixels) {
    return PF_Rect{0, 0, pixels.width(), pixels.height()};
}

bool empty(const PF_Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

}  // namespace

WorldPixels::WorldPixels(const PF_EffectWorld& world, int depth) : world_(world), depth_(depth) {}

int WorldPixels::bytesPerPixel(int depth) {
    switch (depth) {
        case 8:
            return 4;
        case 16:
            return 8;
        case 32:
            return 16;
        default:
            return 0;
    }
}

unsigned char* WorldPixels::address(A_long x, A_long y) const {
    return static_cast<unsigned char*>(world_.data) +
           static_cast<std::ptrdiff_t>(y) * world_.rowbytes +
           static_cast<std::ptrdiff_t>(x) * bytesPerPixel(depth_);
}

PF_PixelFloat WorldPixels::get(A_long x, A_long y) const {
    const unsigned char* at = address(x, y);
    if (depth_ == 8) {
        PF_Pixel8 p;
        std::memcpy(&p, at, sizeof p);
        return {toUnit(p.alpha, 255), toUnit(p.red, 255), toUnit(p.green, 255),
                toUnit(p.blue, 255)};
    }
    if (depth_ == 16) {
        PF_Pixel16 p;
        std::memcpy(&p, at, sizeof p);
        return {toUnit(p.alpha, kMax16), toUnit(p.red, kMax16), toUnit(p.green, kMax16),
                toUnit(p.blue, kMax16)};
    }
    PF_PixelFloat p;
    std::memcpy(&p, at, sizeof p);
    return p;
}

void WorldPixels::set(A_long x, A_long y, const PF_PixelFloat& v) const {
    unsigned char* at = address(x, y);
    if (depth_ == 8) {
        const PF_Pixel8 p{fromUnit<A_u_char>(v.alpha, 255), fromUnit<A_u_char>(v.red, 255),
                          fromUnit<A_u_char>(v.green, 255), fromUnit<A_u_char>(v.blue, 255)};
        std::memcpy(at, &p, sizeof p);
    } else if (depth_ == 16) {
        const PF_Pixel16 p{fromUnit<A_u_short>(v.alpha, kMax16), fromUnit<A_u_short>(v.red, kMax16),
                           fromUnit<A_u_short>(v.green, kMax16),
                           fromUnit<A_u_short>(v.blue, kMax16)};
        std::memcpy(at, &p, sizeof p);
    } else {
        std::memcpy(at, &v, sizeof v);
    }
}

void WorldPixels::copy(const WorldPixels& source, const PF_Rect* sourceRect,
                       const WorldPixels& destination, const PF_Rect* destinationRect) {
    if (!source.valid() || !destination.valid())
        return;
    const PF_Rect from = sourceRect ? *sourceRect : wholeImage(source);
    const PF_Rect to = destinationRect ? *destinationRect : wholeImage(destination);
    if (empty(from) || empty(to))
        return;
    const std::int64_t fromW = from.right - from.left, fromH = from.bottom - from.top;
    const std::int64_t toW = to.right - to.left, toH = to.bottom - to.top;
    const bool rowCopy = source.depth_ == destination.depth_ && fromW == toW && fromH == toH;
    // Only the part of the destination rectangle that lies inside the image is
    // written; each of its pixels takes the source pixel it maps onto.
    const A_long x0 = std::max<A_long>(to.left, 0), x1 = std::min(to.right, destination.width());
    const A_long y0 = std::max<A_long>(to.top, 0), y1 = std::min(to.bottom, destination.height());
    for (A_long y = y0; y < y1; ++y) {
        const A_long sy = static_cast<A_long>(from.top + (y - to.top) * fromH / toH);
        if (sy < 0 || sy >= source.height())
            continue;
        for (A_long x = x0; x < x1; ++x) {
            const A_long sx = static_cast<A_long>(from.left + (x - to.left) * fromW / toW);
            if (sx < 0 || sx >= source.width())
                continue;
            if (rowCopy) {
                // The same depth and size: the rest of the row in one move.
                const A_long run = std::min(x1 - x, source.width() - sx);
                std::memmove(destination.address(x, y), source.address(sx, sy),
                             static_cast<std::size_t>(run) * bytesPerPixel(source.depth_));
                break;
            }
            destination.set(x, y, source.get(sx, sy));
        }
    }
}

void WorldPixels::fill(const PF_Pixel& colour, const PF_Rect* rect) const {
    if (!valid())
        return;
    const PF_Rect r = rect ? *rect : wholeImage(*this);
    const PF_PixelFloat value{colour.alpha / 255.0f, colour.red / 255.0f, colour.green / 255.0f,
                              colour.blue / 255.0f};
    for (A_long y = std::max<A_long>(r.top, 0); y < std::min(r.bottom, height()); ++y)
        for (A_long x = std::max<A_long>(r.left, 0); x < std::min(r.right, width()); ++x)
            set(x, y, value);
}
