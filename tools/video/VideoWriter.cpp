#include "VideoWriter.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "ImageFiles.h"
#include "LibavObjects.h"

namespace {

struct Codec {
    const char* name;
    const char* encoder;
    // Pixel formats for 8-bit frames and for deeper ones.
    AVPixelFormat format8;
    AVPixelFormat formatDeep;
    // Video range with the BT.709 matrix, or full-range RGB.
    bool yuv;
};

const Codec kCodecs[] = {
    {"prores4444", "prores_ks", AV_PIX_FMT_YUVA444P10LE, AV_PIX_FMT_YUVA444P10LE, true},
    {"ffv1", "ffv1", AV_PIX_FMT_RGB32, AV_PIX_FMT_GBRAP16LE, false},
    {"h264", "libx264", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, true},
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

}  // namespace

struct VideoWriter::State {
    std::string path;
    std::string partial;
    VideoOutputOptions options;
    const Codec* codec = nullptr;
    const AVCodec* encoder = nullptr;
    AVFormatContext* output = nullptr;
    CodecContext context;
    AVStream* stream = nullptr;
    Scaler scaler;
    Frame picture{av_frame_alloc()};
    Packet packet{av_packet_alloc()};
    long written = 0;
    bool finished = false;
    // Audio copied from the source.
    InputFile audioInput;
    int audioFrom = -1;
    AVStream* audioStream = nullptr;
    int64_t audioStart = 0;
    Packet audio{av_packet_alloc()};
    bool audioHeld = false;
    bool audioEnded = false;

    void open(const HostWorld& first);
    void openAudio();
    void drain();
    // Audio packets up to `seconds` of the output.
    void copyAudio(double seconds);
    void convert(const HostWorld& frame);
};

void VideoWriter::State::open(const HostWorld& first) {
    const bool deep = first.depth() != 8;
    const AVPixelFormat format = deep ? codec->formatDeep : codec->format8;
    if (codec->format8 == AV_PIX_FMT_YUV420P && (first.width() % 2 || first.height() % 2)) {
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
    if (codec->yuv) {
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
    } else {
        context->color_range = AVCOL_RANGE_JPEG;
        context->colorspace = AVCOL_SPC_RGB;
    }
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    if (std::strcmp(codec->name, "prores4444") == 0)
        av_dict_set(&settings, "profile", "4444", 0);
    if (std::strcmp(codec->name, "ffv1") == 0) {
        av_dict_set(&settings, "level", "3", 0);
        av_dict_set(&settings, "slices", "4", 0);
    }
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
    openAudio();
    check(avio_open(&output->pb, partial.c_str(), AVIO_FLAG_WRITE), "cannot write " + path);
    check(avformat_write_header(output, nullptr), "cannot write " + path);

    picture->format = format;
    picture->width = first.width();
    picture->height = first.height();
    picture->color_range = context->color_range;
    picture->colorspace = context->colorspace;
    check(av_frame_get_buffer(picture.get(), 0), path);
    const AVPixelFormat rgba = deep ? AV_PIX_FMT_RGBA64LE : AV_PIX_FMT_RGBA;
    scaler.reset(sws_getContext(first.width(), first.height(), rgba, first.width(), first.height(),
                                format, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                nullptr, nullptr, nullptr));
    if (!scaler)
        throw VideoError(path + ": cannot convert frames for the encoder");
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(codec->yuv ? SWS_CS_ITU709 : SWS_CS_DEFAULT),
                             codec->yuv ? 0 : 1, 0, 1 << 16, 1 << 16);
}

void VideoWriter::State::openAudio() {
    if (options.audioSource.empty())
        return;
    audioInput = openInput(options.audioSource);
    audioFrom = av_find_best_stream(audioInput.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audioFrom < 0)
        return;
    const AVStream* from = audioInput->streams[audioFrom];
    // A container that does not know the codec (-1) is left to try.
    if (avformat_query_codec(output->oformat, from->codecpar->codec_id, FF_COMPLIANCE_NORMAL) ==
        0) {
        return;
    }
    audioStream = avformat_new_stream(output, nullptr);
    if (audioStream == nullptr)
        throw VideoError("cannot write " + path + ": out of memory");
    check(avcodec_parameters_copy(audioStream->codecpar, from->codecpar), path);
    audioStream->codecpar->codec_tag = 0;
    audioStream->time_base = from->time_base;
    const int64_t origin = from->start_time == AV_NOPTS_VALUE ? 0 : from->start_time;
    const AVRational frame{options.rate.den, options.rate.num};
    audioStart = origin + av_rescale_q(options.firstFrame, frame, from->time_base);
}

void VideoWriter::State::copyAudio(double seconds) {
    if (audioStream == nullptr || audioEnded)
        return;
    const AVStream* from = audioInput->streams[audioFrom];
    const int64_t until = audioStart + static_cast<int64_t>(seconds / av_q2d(from->time_base));
    for (;;) {
        if (!audioHeld) {
            if (av_read_frame(audioInput.get(), audio.get()) < 0) {
                audioEnded = true;
                return;
            }
            if (audio->stream_index != audioFrom || audio->pts == AV_NOPTS_VALUE ||
                audio->pts < audioStart) {
                av_packet_unref(audio.get());
                continue;
            }
            audioHeld = true;
        }
        // A packet past the frames written so far waits for the next ones.
        if (audio->pts >= until)
            return;
        audio->pts -= audioStart;
        audio->dts = audio->dts == AV_NOPTS_VALUE ? audio->pts : audio->dts - audioStart;
        audio->stream_index = audioStream->index;
        audio->pos = -1;
        av_packet_rescale_ts(audio.get(), from->time_base, audioStream->time_base);
        audioHeld = false;
        check(av_interleaved_write_frame(output, audio.get()), "cannot write " + path);
    }
}

void VideoWriter::State::convert(const HostWorld& frame) {
    const bool deep = frame.depth() != 8;
    const int channelBytes = deep ? 2 : 1;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(frame.width()) * frame.height() * 4 *
                                     channelBytes);
    const int stride = frame.width() * 4 * channelBytes;
    const HostWorld sixteen = frame.depth() == 32 ? frame.converted(16) : HostWorld();
    const HostWorld& source = frame.depth() == 32 ? sixteen : frame;
    for (A_long y = 0; y < source.height(); ++y) {
        std::uint8_t* to = pixels.data() + static_cast<std::size_t>(y) * stride;
        if (!deep) {
            const auto* from = static_cast<const PF_Pixel8*>(source.row(y));
            for (A_long x = 0; x < source.width(); ++x, to += 4) {
                to[0] = from[x].red;
                to[1] = from[x].green;
                to[2] = from[x].blue;
                to[3] = from[x].alpha;
            }
        } else {
            const auto* from = static_cast<const PF_Pixel16*>(source.row(y));
            for (A_long x = 0; x < source.width(); ++x, to += 8) {
                const std::uint16_t c[4] = {
                    fileFromHost16(from[x].red), fileFromHost16(from[x].green),
                    fileFromHost16(from[x].blue), fileFromHost16(from[x].alpha)};
                std::memcpy(to, c, sizeof c);
            }
        }
    }
    check(av_frame_make_writable(picture.get()), path);
    const std::uint8_t* planes[4] = {pixels.data()};
    const int strides[4] = {stride};
    sws_scale(scaler.get(), planes, strides, 0, frame.height(), picture->data, picture->linesize);
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
    // The partial file keeps the extension, by which libav picks the container.
    const std::filesystem::path target(path);
    s.partial = (target.parent_path() / ("." + target.stem().string() + ".partial-" +
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
    if (s.output) {
        if (s.output->pb)
            avio_closep(&s.output->pb);
        avformat_free_context(s.output);
    }
    if (!s.finished) {
        std::error_code ignored;
        std::filesystem::remove(s.partial, ignored);
    }
}

void VideoWriter::write(const HostWorld& frame) {
    State& s = *state_;
    if (!s.context)
        s.open(frame);
    if (frame.width() != s.context->width || frame.height() != s.context->height)
        throw VideoError(s.path + ": every frame of a video must have the same size");
    s.convert(frame);
    s.picture->pts = s.written++;
    check(avcodec_send_frame(s.context.get(), s.picture.get()),
          std::string("cannot encode ") + s.codec->name);
    s.drain();
    s.copyAudio(static_cast<double>(s.written) / s.options.rate.fps());
}

void VideoWriter::finish() {
    State& s = *state_;
    if (!s.context)
        throw VideoError(s.path + ": no frame was rendered");
    check(avcodec_send_frame(s.context.get(), nullptr),
          std::string("cannot encode ") + s.codec->name);
    s.drain();
    s.copyAudio(static_cast<double>(s.written) / s.options.rate.fps());
    check(av_write_trailer(s.output), "cannot write " + s.path);
    avio_closep(&s.output->pb);
    std::error_code error;
    std::filesystem::rename(s.partial, s.path, error);
    if (error)
        throw VideoError("cannot write " + s.path + ": " + error.message());
    s.finished = true;
}

const std::vector<std::string>& VideoWriter::codecNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Codec& codec : kCodecs) all.push_back(codec.name);
        return all;
    }();
    return names;
}
