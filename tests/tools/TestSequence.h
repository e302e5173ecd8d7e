#pragma once
// The small image sequence the render tests read: frames 1 to 4 as
// in.0001.png to in.0004.png, each a different grey, so that a frame shows
// its number.

#include <string>

#include "ImageFiles.h"
#include "package/TempFolder.h"

inline void writeSequence(const TempFolder& folder) {
    for (int i = 1; i <= 4; ++i) {
        HostWorld frame(48, 32, 8);
        for (A_long y = 0; y < 32; ++y)
            for (A_long x = 0; x < 48; ++x)
                frame.set(x, y, PF_PixelFloat{1.0f, i * 0.2f, x / 48.0f, y / 32.0f});
        writeImageFile(folder / ("in.000" + std::to_string(i) + ".png"), frame);
    }
}
