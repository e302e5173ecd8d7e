#include "VideoWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavutil/timecode.h>
}

#include "ImageFiles.h"
#include "LibavObjects.h"
#include "OutputColour.h"
#include "SourceTracks.h"

namespace {

struct Codec {
    const char* name;
    const char* encoder;
    // Pixel formats for 8-bit frames and for deeper ones.
    AVPixelFormat format8;
    AVPixelFormat formatDeep;
    // Bits per channel it keeps of deep frames.
    int bits;
    // YUV with a matrix, or RGB; whether the encoder writes full-range YUV.
    bool yuv;
    bool fullRange;
};

// ProRes is video range by definition, whatever the source's range.
const Codec kCodecs[] = {
    {"prores4444", "prores_ks", AV_PIX_FMT_YUVA444P10LE, AV_PIX_FMT_YUVA444P10LE, 10, true, false},
    {"ffv1", "ffv1", AV_PIX_FMT_RGB32, AV_PIX_FMT_GBRAP16LE, 16, false, false},
    {"h264", "libx264", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, 8, true, true},
};

const Codec& codecFor(const std::string& path, const std::string& name) {
    std::string wanted = name;
    if (wanted.empty()) {
        const std::string extension = std::filesystem::path(path).extension().string();
        wanted = extension == ".mov" ? "prores4444" : extension == ".mkv" ? "ffv1" : "h264";
    }
    for (const Codec& codec : kCodecs) {
        if (wanted == codec.name)
            return codec;
    }
    std::string names;
    for (const Codec& codec : kCodecs) names += std::string(names.empty() ? "" : ", ") + codec.name;
    throw VideoError("--codec must be one of " + names + ": '" + name + "'");
}

bool interlaced(int fieldOrder) {
    return fieldOrder != AV_FIELD_UNKNOWN && fieldOrder != AV_FIELD_PROGRESSIVE;
}

// Side data of the source on the output stream, for the muxer to write.
void addSideData(AVStream* stream, AVPacketSideDataType type,
                 const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty())
        return;
    std::uint8_t* data = av_stream_new_side_data(stream, type, bytes.size());
    if (data == nullptr)
        throw VideoError("out of memory");
    std::memcpy(data, bytes.data(), bytes.size());
}

// `target`'s name with ".partial" before its extension, and a number from
// the second on: "out.partial.mov", "out.partial-2.mov".
std::string partialName(const std::filesystem::path& target, int number) {
    const std::string suffix = number == 1 ? ".partial" : ".partial-" + std::to_string(number);
    return (target.parent_path() / (target.stem().string() + suffix + target.extension().string()))
        .string();
}

}  // namespace

struct VideoWriter::State {
    std::string path;
    std::string temporary;
    VideoOutputOptions options;
    const Codec* codec = nullptr;
    const AVCodec* encoder = nullptr;
    AVFormatContext* output = nullptr;
    CodecContext context;
    AVStream* stream = nullptr;
    Scaler scaler;
    // Pictures for the encoder, used again once it lets them go: it keeps
    // those it encodes on its threads for a while.
    std::vector<Frame> pictures;
    // Deep frames as 16-bit RGBA for the scaler.
    std::vector<std::uint8_t> pixels;
    Packet packet{av_packet_alloc()};
    long written = 0;
    bool finished = false;
    std::unique_ptr<SourceTracks> tracks;
    std::vector<std::string> warnings;

    void open(const HostWorld& first);
    void describe(const OutputColour& colour, int heldBits);
    void addTimecode();
    void drain();
    AVFrame* freePicture();
    // The frame as a picture for the encoder.
    AVFrame* convert(const HostWorld& frame);
    // The encoder flushed and the file closed, under its temporary name.
    void complete();
};

void VideoWriter::State::describe(const OutputColour& colour, int heldBits) {
    const VideoDescription& source = options.source;
    context->color_primaries = colour.primaries;
    context->color_trc = colour.transfer;
    context->colorspace = colour.matrix;
    context->color_range = colour.range;
    context->chroma_sample_location = colour.siting;
    if (source.path.empty())
        return;
    const bool hdr =
        source.transfer == AVCOL_TRC_SMPTE2084 || source.transfer == AVCOL_TRC_ARIB_STD_B67;
    if (hdr && heldBits < 10) {
        warnings.push_back(
            "warning: " + source.path + " is HDR (" +
            av_color_transfer_name(static_cast<AVColorTransferCharacteristic>(source.transfer)) +
            ") and " + path + " holds " + std::to_string(heldBits) +
            " bits a channel: expect banding; .mov (ProRes, 10 bits) or .mkv "
            "(FFV1, 16 bits) at --depth 16 keep it");
    } else if (source.bits > 8 && heldBits == 8 && codec->bits > 8) {
        warnings.push_back("warning: " + source.path + " has " + std::to_string(source.bits) +
                           " bits a channel and the frames 8: " + path +
                           " holds 8; --depth 16 keeps them");
    }
    context->field_order = static_cast<AVFieldOrder>(source.fieldOrder);
    if (interlaced(source.fieldOrder) && std::strcmp(codec->name, "h264") == 0)
        context->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    if (!source.fieldsLost.empty())
        warnings.push_back("warning: " + source.path + ": " + source.fieldsLost);
}

void VideoWriter::State::addTimecode() {
    const std::string& text = options.source.timecode;
    if (text.empty())
        return;
    // The timecode of the first rendered frame, counted at the source's rate.
    AVTimecode timecode;
    const AVRational rate{options.rate.num, options.rate.den};
    if (av_timecode_init_from_string(&timecode, rate, text.c_str(), nullptr) < 0) {
        warnings.push_back("warning: " + options.source.path + ": its timecode " + text +
                           " does not fit its rate; the output has none");
        return;
    }
    char first[AV_TIMECODE_STR_SIZE];
    av_timecode_make_string(&timecode, first, static_cast<int>(options.firstFrame));
    // .mov and .mp4 make a timecode track of it, .mkv a tag.
    av_dict_set(&output->metadata, "timecode", first, 0);
}

void VideoWriter::State::open(const HostWorld& first) {
    const bool deep = first.depth() != 8;
    const AVPixelFormat format = deep ? codec->formatDeep : codec->format8;
    const bool subsampled = format == AV_PIX_FMT_YUV420P;
    if (subsampled && (first.width() % 2 || first.height() % 2)) {
        throw VideoError(std::string(codec->name) + " needs an even width and height, not " +
                         std::to_string(first.width()) + "x" + std::to_string(first.height()));
    }
    context.reset(avcodec_alloc_context3(encoder));
    context->width = first.width();
    context->height = first.height();
    context->pix_fmt = format;
    context->time_base = AVRational{options.rate.den, options.rate.num};
    context->framerate = AVRational{options.rate.num, options.rate.den};
    context->thread_count = 0;
    const OutputColour colour =
        OutputColour::of(options.source, codec->yuv, codec->fullRange, subsampled);
    describe(colour, deep ? codec->bits : 8);
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    if (std::strcmp(codec->name, "prores4444") == 0)
        av_dict_set(&settings, "profile", "4444", 0);
    // Version 3 cuts each frame into slices that encode in parallel. The
    // encoder refuses a count whose slices would be too large for its state
    // (4 slices of a 16-bit 4K frame are), so the count is left to it: it
    // takes the smallest it accepts, 4 or more.
    if (std::strcmp(codec->name, "ffv1") == 0)
        av_dict_set(&settings, "level", "3", 0);
    if (std::strcmp(codec->name, "h264") == 0)
        av_dict_set(&settings, "crf", "16", 0);
    const int opened = avcodec_open2(context.get(), encoder, &settings);
    av_dict_free(&settings);
    check(opened, std::string("cannot open the ") + codec->name + " encoder");
    stream = avformat_new_stream(output, nullptr);
    if (stream == nullptr)
        throw VideoError("cannot write " + path + ": out of memory");
    stream->time_base = context->time_base;
    stream->avg_frame_rate = context->framerate;
    check(avcodec_parameters_from_context(stream->codecpar, context.get()), path);
    addSideData(stream, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, options.source.masteringDisplay);
    addSideData(stream, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, options.source.contentLightLevel);
    addTimecode();
    if (!options.source.path.empty()) {
        tracks = std::make_unique<SourceTracks>(options.source.path, output, path, options.rate,
                                                options.firstFrame, warnings);
    }
    check(avio_open(&output->pb, temporary.c_str(), AVIO_FLAG_WRITE), "cannot write " + path);
    // A .mov or .mp4 states its duration in the movie's time scale, 1/1000 s
    // by default, rounded up: a render of 16 frames at 24 fps would last
    // 0.667 s, and renders of consecutive ranges joined by that duration
    // (FFmpeg's concat demuxer does) would drift. In the video's own time
    // scale the duration is exact.
    AVDictionary* muxing = nullptr;
    if (std::strcmp(output->oformat->name, "mov") == 0 ||
        std::strcmp(output->oformat->name, "mp4") == 0) {
        long scale = options.rate.num;
        while (scale < 10000) scale *= 2;
        av_dict_set_int(&muxing, "video_track_timescale", scale, 0);
        av_dict_set_int(&muxing, "movie_timescale", scale, 0);
    }
    const int header = avformat_write_header(output, &muxing);
    av_dict_free(&muxing);
    check(header, "cannot write " + path);

    Frame picture{av_frame_alloc()};
    if (!picture)
        throw VideoError("out of memory");
    picture->format = format;
    picture->width = first.width();
    picture->height = first.height();
    picture->color_range = colour.range;
    picture->colorspace = colour.matrix;
    picture->color_primaries = colour.primaries;
    picture->color_trc = colour.transfer;
    picture->chroma_location = colour.siting;
    if (interlaced(context->field_order)) {
        picture->interlaced_frame = 1;
        picture->top_field_first =
            context->field_order == AV_FIELD_TT || context->field_order == AV_FIELD_TB;
    }
    check(av_frame_get_buffer(picture.get(), 0), path);
    pictures.push_back(std::move(picture));
    const AVPixelFormat rgba = deep ? AV_PIX_FMT_RGBA64LE : AV_PIX_FMT_ARGB;
    scaler.reset(sws_getContext(first.width(), first.height(), rgba, first.width(), first.height(),
                                format, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                nullptr, nullptr, nullptr));
    if (!scaler)
        throw VideoError(path + ": cannot convert frames for the encoder");
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(colour.scalerMatrix()),
                             colour.range == AVCOL_RANGE_JPEG, 0, 1 << 16, 1 << 16);
}

AVFrame* VideoWriter::State::freePicture() {
    for (const Frame& picture : pictures) {
        if (av_frame_is_writable(picture.get()))
            return picture.get();
    }
    const AVFrame& model = *pictures.front();
    Frame picture{av_frame_alloc()};
    if (!picture)
        throw VideoError("out of memory");
    check(av_frame_copy_props(picture.get(), &model), path);
    picture->format = model.format;
    picture->width = model.width;
    picture->height = model.height;
    check(av_frame_get_buffer(picture.get(), 0), path);
    pictures.push_back(std::move(picture));
    return pictures.back().get();
}

AVFrame* VideoWriter::State::convert(const HostWorld& frame) {
    AVFrame* picture = freePicture();
    if (frame.depth() == 8) {
        // The host's 8-bit layout is FFmpeg's ARGB: the scaler reads it as is.
        const std::uint8_t* planes[4] = {static_cast<const std::uint8_t*>(frame.row(0))};
        const int strides[4] = {frame.rowBytes()};
        sws_scale(scaler.get(), planes, strides, 0, frame.height(), picture->data,
                  picture->linesize);
        return picture;
    }
    // Deeper frames as 16-bit RGBA, in a buffer kept between frames.
    const int stride = frame.width() * 8;
    pixels.resize(static_cast<std::size_t>(stride) * frame.height());
    const HostWorld sixteen = frame.depth() == 32 ? frame.converted(16) : HostWorld();
    const HostWorld& source = frame.depth() == 32 ? sixteen : frame;
    for (A_long y = 0; y < source.height(); ++y) {
        std::uint8_t* to = pixels.data() + static_cast<std::size_t>(y) * stride;
        const auto* from = static_cast<const PF_Pixel16*>(source.row(y));
        for (A_long x = 0; x < source.width(); ++x, to += 8) {
            const std::uint16_t c[4] = {fileFromHost16(from[x].red), fileFromHost16(from[x].green),
                                        fileFromHost16(from[x].blue),
                                        fileFromHost16(from[x].alpha)};
            std::memcpy(to, c, sizeof c);
        }
    }
    const std::uint8_t* planes[4] = {pixels.data()};
    const int strides[4] = {stride};
    sws_scale(scaler.get(), planes, strides, 0, frame.height(), picture->data, picture->linesize);
    return picture;
}

void VideoWriter::State::drain() {
    for (;;) {
        const int received = avcodec_receive_packet(context.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        check(received, std::string("cannot encode ") + codec->name);
        av_packet_rescale_ts(packet.get(), context->time_base, stream->time_base);
        packet->stream_index = stream->index;
        check(av_interleaved_write_frame(output, packet.get()), "cannot write " + path);
    }
}

void VideoWriter::State::complete() {
    check(avcodec_send_frame(context.get(), nullptr), std::string("cannot encode ") + codec->name);
    drain();
    if (tracks)
        tracks->copyUntil(written);
    check(av_write_trailer(output), "cannot write " + path);
    avio_closep(&output->pb);
}

VideoWriter::VideoWriter(const std::string& path, const VideoOutputOptions& options)
    : state_(std::make_unique<State>()) {
    quietLibav();
    State& s = *state_;
    s.path = path;
    s.options = options;
    s.codec = &codecFor(path, options.codec);
    s.encoder = avcodec_find_encoder_by_name(s.codec->encoder);
    if (s.encoder == nullptr)
        throw VideoError(std::string("this FFmpeg has no ") + s.codec->encoder + " encoder");
    if (options.rate.num <= 0 || options.rate.den <= 0)
        throw VideoError("the frame rate must be above 0");
    // The temporary file keeps the extension, by which libav picks the
    // container, and is hidden: a crash leaves it there under this name.
    const std::filesystem::path target(path);
    s.temporary =
        (target.parent_path() / ("." + target.stem().string() + ".partial-" +
                                 std::to_string(::getpid()) + target.extension().string()))
            .string();
    check(avformat_alloc_output_context2(&s.output, nullptr, nullptr, path.c_str()),
          "cannot write " + path);
    if (avformat_query_codec(s.output->oformat, s.encoder->id, FF_COMPLIANCE_NORMAL) == 0) {
        throw VideoError(std::string(s.output->oformat->name) + " files cannot hold " +
                         s.codec->name + ": choose another --codec or container");
    }
}

VideoWriter::~VideoWriter() {
    State& s = *state_;
    s.tracks.reset();
    if (s.output) {
        if (s.output->pb)
            avio_closep(&s.output->pb);
        avformat_free_context(s.output);
    }
    if (!s.finished) {
        std::error_code ignored;
        std::filesystem::remove(s.temporary, ignored);
    }
}

void VideoWriter::write(const HostWorld& frame) {
    State& s = *state_;
    if (!s.context)
        s.open(frame);
    if (frame.width() != s.context->width || frame.height() != s.context->height)
        throw VideoError(s.path + ": every frame of a video must have the same size");
    AVFrame* picture = s.convert(frame);
    picture->pts = s.written++;
    check(avcodec_send_frame(s.context.get(), picture),
          std::string("cannot encode ") + s.codec->name);
    s.drain();
    if (s.tracks)
        s.tracks->copyUntil(s.written);
}

void VideoWriter::finish() {
    State& s = *state_;
    if (!s.context)
        throw VideoError(s.path + ": no frame was rendered");
    s.complete();
    std::error_code error;
    std::filesystem::rename(s.temporary, s.path, error);
    if (error)
        throw VideoError("cannot write " + s.path + ": " + error.message());
    s.finished = true;
}

std::string VideoWriter::finishPartial() {
    State& s = *state_;
    if (!s.context)
        return {};
    s.complete();
    s.finished = true;
    // A hard link fails on an existing name, so no file is replaced.
    for (int number = 1; number < 1000; ++number) {
        const std::string name = partialName(s.path, number);
        if (::link(s.temporary.c_str(), name.c_str()) == 0) {
            ::unlink(s.temporary.c_str());
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    // A file system without hard links keeps the temporary name.
    return s.temporary;
}

std::vector<std::string> VideoWriter::takeWarnings() {
    std::vector<std::string> taken;
    taken.swap(state_->warnings);
    return taken;
}

const std::vector<std::string>& VideoWriter::codecNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Codec& codec : kCodecs) all.push_back(codec.name);
        return all;
    }();
    return names;
}
