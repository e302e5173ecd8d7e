#include "VideoReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ImageBudget.h"
#include "ImageFiles.h"
#include "LibavObjects.h"

struct VideoReader::State {
    std::string path;
    InputFile input;
    int stream = -1;
    CodecContext decoder;
    Frame decoded{av_frame_alloc()};
    Packet packet{av_packet_alloc()};
    Scaler scaler;
    // The index of the frame in `decoded`; -1 before the first.
    long current = -1;
    bool flushed = false;
    int depth = 8;

    // The next frame in `decoded`; false at the end of the stream.
    bool decodeNext();
    HostWorld convert();
};

bool VideoReader::State::decodeNext() {
    for (;;) {
        const int received = avcodec_receive_frame(decoder.get(), decoded.get());
        if (received == 0) {
            ++current;
            return true;
        }
        if (received == AVERROR_EOF)
            return false;
        if (received != AVERROR(EAGAIN))
            check(received, "cannot decode " + path);
        const int read = av_read_frame(input.get(), packet.get());
        if (read == AVERROR_EOF) {
            if (flushed)
                return false;
            flushed = true;
            check(avcodec_send_packet(decoder.get(), nullptr), "cannot decode " + path);
            continue;
        }
        check(read, "cannot read " + path);
        if (packet->stream_index == stream)
            check(avcodec_send_packet(decoder.get(), packet.get()), "cannot decode " + path);
        av_packet_unref(packet.get());
    }
}

namespace {

// The host image's bytes per pixel at a depth.
std::uint32_t hostPixelBytes(int depth) {
    return depth == 8 ? sizeof(PF_Pixel8) : sizeof(PF_Pixel16);
}

// The size the stream states, held to the image limit before the decoder
// allocates anything; the decoder itself refuses larger frames later in the
// stream (max_pixels). Frame threading keeps a frame in flight per thread, so
// frames that take more than an eighth of the limit decode on one thread.
void limitFrameSize(AVCodecContext* decoder, const std::string& path) {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(decoder->pix_fmt);
    const std::uint32_t pixelBytes = hostPixelBytes(format && format->comp[0].depth > 8 ? 16 : 8);
    const auto width = static_cast<std::uint64_t>(std::max(decoder->width, 0));
    const auto height = static_cast<std::uint64_t>(std::max(decoder->height, 0));
    const std::string budget = ImageBudget::refusal(width, height, pixelBytes);
    if (!budget.empty())
        throw VideoError(path + ": " + budget);
    std::string error;
    const std::uint64_t limit = ImageBudget::limit(error);
    decoder->max_pixels = static_cast<std::int64_t>(limit / pixelBytes);
    decoder->thread_count = width * height * pixelBytes > limit / 8 ? 1 : 0;
}

}  // namespace

HostWorld VideoReader::State::convert() {
    const AVFrame& f = *decoded;
    // A stream may change size at any frame; each is held to the limit.
    const std::string budget =
        ImageBudget::refusal(static_cast<std::uint64_t>(f.width),
                             static_cast<std::uint64_t>(f.height), hostPixelBytes(depth));
    if (!budget.empty())
        throw VideoError(path + ": frame " + std::to_string(current) + ": " + budget);
    const AVPixelFormat rgba = depth == 8 ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGBA64LE;
    scaler.reset(sws_getCachedContext(scaler.release(), f.width, f.height,
                                      static_cast<AVPixelFormat>(f.format), f.width, f.height, rgba,
                                      SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                      nullptr, nullptr));
    if (!scaler)
        throw VideoError(path + ": cannot convert its pixel format to RGBA");
    // The stream's own range and matrix, to full-range RGB.
    const int space = f.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : f.colorspace;
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space),
                             f.color_range == AVCOL_RANGE_JPEG, sws_getCoefficients(SWS_CS_DEFAULT),
                             1, 0, 1 << 16, 1 << 16);
    const int channelBytes = depth / 8;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(f.width) * f.height * 4 *
                                     channelBytes);
    std::uint8_t* planes[4] = {pixels.data()};
    int strides[4] = {f.width * 4 * channelBytes};
    sws_scale(scaler.get(), f.data, f.linesize, 0, f.height, planes, strides);

    HostWorld image(f.width, f.height, depth);
    for (int y = 0; y < f.height; ++y) {
        const std::uint8_t* from = pixels.data() + static_cast<std::size_t>(y) * strides[0];
        if (depth == 8) {
            auto* to = static_cast<PF_Pixel8*>(image.row(y));
            for (int x = 0; x < f.width; ++x, from += 4)
                to[x] = PF_Pixel8{from[3], from[0], from[1], from[2]};
        } else {
            auto* to = static_cast<PF_Pixel16*>(image.row(y));
            std::uint16_t c[4];
            for (int x = 0; x < f.width; ++x, from += 8) {
                std::memcpy(c, from, sizeof c);
                to[x] = PF_Pixel16{hostFromFile16(c[3]), hostFromFile16(c[0]), hostFromFile16(c[1]),
                                   hostFromFile16(c[2])};
            }
        }
    }
    return image;
}

VideoReader::VideoReader(const std::string& path) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = path;
    s.input = openInput(path);
    const AVCodec* codec = nullptr;
    s.stream = av_find_best_stream(s.input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (s.stream < 0 || codec == nullptr)
        throw VideoError(path + ": no video stream that this build can decode");
    const AVStream* stream = s.input->streams[s.stream];
    s.decoder.reset(avcodec_alloc_context3(codec));
    check(avcodec_parameters_to_context(s.decoder.get(), stream->codecpar), path);
    limitFrameSize(s.decoder.get(), path);
    check(avcodec_open2(s.decoder.get(), codec, nullptr), "cannot open the decoder of " + path);
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(s.decoder->pix_fmt);
    s.depth = format && format->comp[0].depth > 8 ? 16 : 8;
}

VideoReader::~VideoReader() = default;

VideoRate VideoReader::rate() const {
    AVStream* stream = state_->input->streams[state_->stream];
    const AVRational rate = av_guess_frame_rate(state_->input.get(), stream, nullptr);
    if (rate.num <= 0 || rate.den <= 0)
        return VideoRate{};
    return VideoRate{rate.num, rate.den};
}

long VideoReader::frameCount() const {
    const AVStream* stream = state_->input->streams[state_->stream];
    if (stream->nb_frames > 0)
        return static_cast<long>(stream->nb_frames);
    const VideoRate r = rate();
    if (stream->duration > 0) {
        return static_cast<long>(
            av_rescale_q(stream->duration, stream->time_base, AVRational{r.den, r.num}));
    }
    if (state_->input->duration > 0) {
        return static_cast<long>(
            av_rescale_q(state_->input->duration, AV_TIME_BASE_Q, AVRational{r.den, r.num}));
    }
    return 0;
}

int VideoReader::depth() const {
    return state_->depth;
}

HostWorld VideoReader::frame(long index) {
    State& s = *state_;
    if (index < s.current)
        throw VideoError(s.path + ": frames are read in order");
    while (s.current < index) {
        if (!s.decodeNext()) {
            throw VideoError(s.path + " has no frame " + std::to_string(index) + " (it has " +
                             std::to_string(s.current + 1) + ")");
        }
    }
    return s.convert();
}
