#include "SourceDescription.h"

extern "C" {
#include <libavutil/mastering_display_metadata.h>
}

#include <cstring>

#include "ColourCode.h"

namespace {

// Side data of a libav struct's size, from the picture or else the stream;
// a size other than the struct's (a damaged file) counts as none.
template <typename Struct>
std::vector<std::uint8_t> sideData(const AVFrame& picture, AVFrameSideDataType frameType,
                                   const AVStream& stream, AVPacketSideDataType streamType) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (const AVFrameSideData* side = av_frame_get_side_data(&picture, frameType)) {
        data = side->data;
        size = side->size;
    } else {
        data = av_stream_get_side_data(&stream, streamType, &size);
    }
    if (data == nullptr || size != sizeof(Struct))
        return {};
    return std::vector<std::uint8_t>(data, data + size);
}

// The field order the picture shows after the turn; `lost` says why none
// could be kept.
int turnedFieldOrder(int order, int height, const DisplayOrientation& orientation,
                     std::string& lost) {
    if (order == AV_FIELD_UNKNOWN || order == AV_FIELD_PROGRESSIVE)
        return order;
    if (orientation.swapsSides()) {
        lost = "the source is interlaced and " + orientation.describe() +
               ", which makes its fields columns; the output is tagged progressive";
        return AV_FIELD_PROGRESSIVE;
    }
    // Upside down, the top line of an even-height picture is a bottom line.
    if (!orientation.flipsVertically() || height % 2 != 0)
        return order;
    switch (order) {
        case AV_FIELD_TT:
            return AV_FIELD_BB;
        case AV_FIELD_BB:
            return AV_FIELD_TT;
        case AV_FIELD_TB:
            return AV_FIELD_BT;
        default:
            return AV_FIELD_TB;
    }
}

std::string timecodeOf(const AVFormatContext& input, int stream) {
    // The video stream's own, a timecode track's (.mov), or the file's (.mkv).
    if (const AVDictionaryEntry* e =
            av_dict_get(input.streams[stream]->metadata, "timecode", nullptr, 0))
        return e->value;
    for (unsigned i = 0; i < input.nb_streams; ++i) {
        if (const AVDictionaryEntry* e =
                av_dict_get(input.streams[i]->metadata, "timecode", nullptr, 0))
            return e->value;
    }
    if (const AVDictionaryEntry* e = av_dict_get(input.metadata, "timecode", nullptr, 0))
        return e->value;
    return {};
}

}  // namespace

VideoDescription describeSource(const std::string& path, const AVFormatContext& input, int stream,
                                const AVFrame& first, int bits,
                                const DisplayOrientation& orientation) {
    const AVStream& s = *input.streams[stream];
    const AVCodecParameters& p = *s.codecpar;
    VideoDescription d;
    d.path = path;
    d.bits = bits;
    // The frame's tags, else the stream's.
    const auto tag = [](const auto& frame, const auto& stream, int count, auto unspecified) {
        const auto code = knownColourCode(frame, count, unspecified);
        return code != unspecified ? code : knownColourCode(stream, count, unspecified);
    };
    d.primaries =
        tag(first.color_primaries, p.color_primaries, AVCOL_PRI_NB, AVCOL_PRI_UNSPECIFIED);
    d.transfer = tag(first.color_trc, p.color_trc, AVCOL_TRC_NB, AVCOL_TRC_UNSPECIFIED);
    d.matrix = tag(first.colorspace, p.color_space, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED);
    d.range = tag(first.color_range, p.color_range, AVCOL_RANGE_NB, AVCOL_RANGE_UNSPECIFIED);
    d.chromaLocation =
        tag(first.chroma_location, p.chroma_location, AVCHROMA_LOC_NB, AVCHROMA_LOC_UNSPECIFIED);
    d.masteringDisplay = sideData<AVMasteringDisplayMetadata>(
        first, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA, s, AV_PKT_DATA_MASTERING_DISPLAY_METADATA);
    d.contentLightLevel = sideData<AVContentLightMetadata>(first, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL,
                                                           s, AV_PKT_DATA_CONTENT_LIGHT_LEVEL);
    int order = p.field_order;
    if (order == AV_FIELD_UNKNOWN && first.interlaced_frame)
        order = first.top_field_first ? AV_FIELD_TT : AV_FIELD_BB;
    d.fieldOrder = turnedFieldOrder(order, first.height, orientation, d.fieldsLost);
    d.timecode = timecodeOf(input, stream);
    return d;
}
