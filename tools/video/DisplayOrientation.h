#pragma once
// How a stream's display matrix asks players to show its picture: turned by
// quarter turns and mirrored. The reader applies it, so that the effect sees
// the picture as a viewer does and the output is upright without a matrix.

#include <cstddef>
#include <cstdint>
#include <string>

class DisplayOrientation {
public:
    // Upright: the picture as stored.
    DisplayOrientation() = default;
    // From libav's 3x3 display matrix (16.16 fixed point); null is upright.
    // A matrix that is not quarter turns and mirrors (an odd angle, a scale)
    // gives upright, with the reason in `ignored`.
    static DisplayOrientation fromMatrix(const std::int32_t* matrix, std::string& ignored);

    bool upright() const { return a_ == 1 && b_ == 0 && c_ == 0 && d_ == 1; }
    // A quarter turn: width and height trade places.
    bool swapsSides() const { return a_ == 0; }
    // The stored top line ends at the bottom (a half turn, a vertical mirror).
    bool flipsVertically() const { return a_ != 0 && d_ < 0; }
    // E.g. "turned 90 degrees clockwise", "mirrored left to right".
    std::string describe() const;

    // `pixelBytes`-sized pixels of a `width` x `height` picture, `from` and
    // `to` packed rows; `to` takes the turned picture, its sides swapped by a
    // quarter turn.
    void apply(const std::uint8_t* from, int width, int height, std::size_t pixelBytes,
               std::uint8_t* to) const;

private:
    DisplayOrientation(int a, int b, int c, int d) : a_(a), b_(b), c_(c), d_(d) {}

    // The matrix's upper left 2x2, each -1, 0 or 1: a stored pixel (p, q)
    // shows at (a p + c q, b p + d q), shifted into the picture.
    int a_ = 1, b_ = 0, c_ = 0, d_ = 1;
};
