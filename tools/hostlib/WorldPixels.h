#pragma once
// Pixel access over a host image of known depth. Host images hold four
// channels in the order alpha, red, green, blue; 8-bit channels run 0..255,
// 16-bit ones 0..32768 and 32-bit ones are floats. Rows are `rowbytes` apart.
// The host uses it for its own copy and fill callbacks and for conversions.

#include "HostInterface.h"

class WorldPixels {
public:
    // The largest 16-bit channel value of a host image.
    static constexpr int kMax16 = 32768;

    // `depth` is 8, 16 or 32; any other depth gives a view without pixels.
    WorldPixels(const PF_EffectWorld& world, int depth);

    bool valid() const { return world_.data != nullptr && bytesPerPixel(depth_) != 0; }
    A_long width() const { return world_.width; }
    A_long height() const { return world_.height; }
    int depth() const { return depth_; }

    // A pixel as floats: 0..1 for 8 and 16 bits, the stored value for floats.
    PF_PixelFloat get(A_long x, A_long y) const;
    // Stores a pixel, rounded and clamped to the channel range at 8 and 16 bits.
    void set(A_long x, A_long y, const PF_PixelFloat& pixel) const;

    // Copies the source rectangle onto the destination rectangle, scaling by
    // nearest neighbour when their sizes differ; a null rectangle stands for
    // the whole image. Images of the same depth and size are copied row by row.
    static void copy(const WorldPixels& source, const PF_Rect* sourceRect,
                     const WorldPixels& destination, const PF_Rect* destinationRect);
    // Fills a rectangle (null: the whole image) with an 8-bit colour.
    void fill(const PF_Pixel& colour, const PF_Rect* rect) const;

    // 16, 8 or 4 bytes per channel times four; 0 for an unknown depth.
    static int bytesPerPixel(int depth);

private:
    unsigned char* address(A_long x, A_long y) const;

    PF_EffectWorld world_;
    int depth_;
};
