#pragma once
// The colour a rendered video is encoded and tagged with. The effect's RGB
// frames are still in the source's primaries and transfer, so those go along
// as they are; the matrix and range are the output's own where its pixels
// are RGB (FFV1), and the source's where the codec can encode them.

#include "LibavObjects.h"
#include "VideoDescription.h"

struct OutputColour {
    AVColorPrimaries primaries;
    AVColorTransferCharacteristic transfer;
    AVColorSpace matrix;
    AVColorRange range;
    AVChromaLocation siting;

    // `source` without a path is an image input: video-range BT.709 for YUV.
    // `yuv` codecs encode with a matrix; `fullRange` ones may be full range;
    // `subsampled` ones have chroma sited.
    static OutputColour of(const VideoDescription& source, bool yuv, bool fullRange,
                           bool subsampled);
    // The swscale coefficients of the matrix.
    int scalerMatrix() const;
};
