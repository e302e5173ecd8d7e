#include "OutputColour.h"

#include "ColourCode.h"

OutputColour OutputColour::of(const VideoDescription& source, bool yuv, bool fullRange,
                              bool subsampled) {
    OutputColour c{};
    const bool video = !source.path.empty();
    if (video) {
        c.primaries = static_cast<AVColorPrimaries>(source.primaries);
        c.transfer = static_cast<AVColorTransferCharacteristic>(source.transfer);
    } else {
        c.primaries = yuv ? AVCOL_PRI_BT709 : AVCOL_PRI_UNSPECIFIED;
        c.transfer = yuv ? AVCOL_TRC_BT709 : AVCOL_TRC_UNSPECIFIED;
    }
    if (!yuv) {
        c.matrix = AVCOL_SPC_RGB;
        c.range = AVCOL_RANGE_JPEG;
        c.siting = AVCHROMA_LOC_UNSPECIFIED;
        return c;
    }
    // An untagged source was read as BT.601 (swscale's default) or is RGB;
    // the output says what it is encoded with.
    c.matrix = video && scalerKnowsMatrix(source.matrix) ? static_cast<AVColorSpace>(source.matrix)
                                                         : AVCOL_SPC_BT709;
    c.range = fullRange && source.range == AVCOL_RANGE_JPEG ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    c.siting = subsampled && video ? static_cast<AVChromaLocation>(source.chromaLocation)
                                   : AVCHROMA_LOC_UNSPECIFIED;
    return c;
}

int OutputColour::scalerMatrix() const {
    return matrix == AVCOL_SPC_RGB ? SWS_CS_DEFAULT : matrix;
}
