#include "VideoReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ImageBudget.h"
#include "LibavObjects.h"
#include "PictureConverter.h"
#include "SourceDescription.h"

namespace {

// Lines of each kind of warning shown; the summary counts them all.
constexpr long kWarningsShown = 5;

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

DisplayOrientation orientationOf(const AVStream& stream, std::string& ignored) {
    std::size_t size = 0;
    const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(std::int32_t))
        return {};
    std::int32_t entries[9];
    std::memcpy(entries, matrix, sizeof entries);
    return DisplayOrientation::fromMatrix(entries, ignored);
}

}  // namespace

struct VideoReader::State {
    std::string path;
    InputFile input;
    int stream = -1;
    CodecContext decoder;
    Packet packet{av_packet_alloc()};
    // The latest frame taken, shown until the next one's time, and the
    // frame decoded after it, waiting for its time.
    Frame current{av_frame_alloc()};
    long currentIndex = -1;
    Frame ahead{av_frame_alloc()};
    long aheadIndex = -1;
    bool haveAhead = false;
    long shown = -1;
    bool flushed = false;
    bool ended = false;
    // Why the file could not be read to its end; empty when it was.
    std::string readFailure;
    std::int64_t origin = AV_NOPTS_VALUE;
    // The rate frames are taken at; a variable rate source's average, whose
    // frames repeat and drop by time as they fall.
    AVRational rate{0, 1};
    bool variable = false;
    int depth = 8;
    int bits = 8;
    DisplayOrientation orientation;
    std::unique_ptr<PictureConverter> converter;
    VideoDescription description;
    bool described = false;
    std::vector<std::string> warnings;
    long concealed = 0;
    long stoodIn = 0;
    long leftOut = 0;
    // A decoding error since the last frame came out, which that frame's
    // flags then need not count again.
    bool damageReported = false;

    // The next decoded frame into `frame`; false at the end of the stream.
    bool decodeInto(AVFrame* frame);
    void decodeFailed(int code);
    void chooseRate(const AVStream& video);
    // The frame number `frame`'s timestamp gives.
    long indexOf(const AVFrame& frame) const;
    void warn(long count, const std::string& text);
};

void VideoReader::State::warn(long count, const std::string& text) {
    if (count <= kWarningsShown)
        warnings.push_back("warning: " + path + ": " + text);
    if (count == kWarningsShown)
        warnings.push_back("warning: " + path + ": further ones are counted in the summary");
}

void VideoReader::State::decodeFailed(int code) {
    if (code == AVERROR(ENOMEM))
        check(code, "cannot decode " + path);
    ++concealed;
    damageReported = true;
    warn(concealed, "damaged data after frame " + std::to_string(std::max(currentIndex, 0L)) +
                        " (" + libavError(code) + "); the decoder conceals it");
}

bool VideoReader::State::decodeInto(AVFrame* frame) {
    for (;;) {
        const int received = avcodec_receive_frame(decoder.get(), frame);
        if (received == 0) {
            const bool flagged =
                frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT);
            if (flagged && !damageReported) {
                ++concealed;
                warn(concealed, "a damaged frame after frame " +
                                    std::to_string(std::max(currentIndex, 0L)) +
                                    "; the decoder conceals it");
            }
            damageReported = false;
            return true;
        }
        if (received == AVERROR_EOF || (received != AVERROR(EAGAIN) && flushed))
            return false;
        if (received != AVERROR(EAGAIN))
            decodeFailed(received);
        if (flushed)
            continue;
        const int read = av_read_frame(input.get(), packet.get());
        if (read < 0) {
            // The demuxer found no way past this point; what the decoder
            // holds still comes out.
            if (read != AVERROR_EOF)
                readFailure = libavError(read);
            flushed = true;
            avcodec_send_packet(decoder.get(), nullptr);
            continue;
        }
        if (packet->stream_index == stream) {
            const int sent = avcodec_send_packet(decoder.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN))
                decodeFailed(sent);
        }
        av_packet_unref(packet.get());
    }
}

void VideoReader::State::chooseRate(const AVStream& video) {
    rate = av_guess_frame_rate(input.get(), const_cast<AVStream*>(&video), nullptr);
    const AVRational average = video.avg_frame_rate;
    if (average.num <= 0 || average.den <= 0 || rate.num <= 0 || rate.den <= 0)
        return;
    // The guess is the rate every timestamp fits (a variable rate source's
    // fastest); an average more than 1% off it means the frames do not come
    // at one rate. Taking the fastest would play the source slower than its
    // sound, and its frame count at that rate would end the render early.
    if (std::abs(av_q2d(average) / av_q2d(rate) - 1) <= 0.01)
        return;
    variable = true;
    rate = average;
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", av_q2d(average));
    warnings.push_back("note: " + path + " has a variable frame rate; it is read at its average, " +
                       text +
                       " fps unless the render asks for another rate, each frame of the render "
                       "showing the source's frame of its time");
}

long VideoReader::State::indexOf(const AVFrame& frame) const {
    const std::int64_t time = frame.best_effort_timestamp;
    if (time == AV_NOPTS_VALUE || origin == AV_NOPTS_VALUE)
        return std::max(currentIndex, aheadIndex) + 1;
    const AVStream* s = input->streams[stream];
    if (rate.num <= 0 || rate.den <= 0)
        return std::max(currentIndex, aheadIndex) + 1;
    // The nearest frame time: timestamps in a coarse time base (a
    // millisecond in .mkv) fall either side of the exact one.
    return static_cast<long>(av_rescale_q_rnd(time - origin, s->time_base,
                                              AVRational{rate.den, rate.num},
                                              static_cast<AVRounding>(AV_ROUND_NEAR_INF)));
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
    s.chooseRate(*stream);
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(s.decoder->pix_fmt);
    s.bits = format ? format->comp[0].depth : 8;
    s.depth = s.bits > 8 ? 16 : 8;
    std::string ignored;
    s.orientation = orientationOf(*stream, ignored);
    if (!ignored.empty())
        s.warnings.push_back("warning: " + path + ": " + ignored);
    if (!s.orientation.upright()) {
        s.warnings.push_back("note: " + path + " is read " + s.orientation.describe() +
                             ", as its display matrix asks players to show it");
    }
    s.converter = std::make_unique<PictureConverter>(path, s.depth, s.orientation);
}

VideoReader::~VideoReader() = default;

void VideoReader::retime(VideoRate rate) {
    State& s = *state_;
    if (s.shown >= 0 || s.haveAhead || rate.num <= 0 || rate.den <= 0)
        throw VideoError(s.path + ": a video is retimed before its first frame is read");
    s.rate = AVRational{rate.num, rate.den};
    // Frames are then taken by time, as those of a variable rate source.
    s.variable = true;
}

VideoRate VideoReader::rate() const {
    const AVRational rate = state_->rate;
    if (rate.num <= 0 || rate.den <= 0)
        return VideoRate{};
    return VideoRate{rate.num, rate.den};
}

long VideoReader::frameCount() const {
    const AVStream* stream = state_->input->streams[state_->stream];
    // A variable rate source has as many frames at its average rate as its
    // duration holds, not as many as it stores.
    if (stream->nb_frames > 0 && !state_->variable)
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
    if (index < s.shown)
        throw VideoError(s.path + ": frames are read in order");
    // Frames are taken by their times: each frame up to `index`'s time.
    for (;;) {
        if (!s.haveAhead && !s.ended) {
            s.haveAhead = s.decodeInto(s.ahead.get());
            s.ended = !s.haveAhead;
            if (s.haveAhead) {
                if (s.origin == AV_NOPTS_VALUE)
                    s.origin = s.ahead->best_effort_timestamp;
                s.aheadIndex = s.indexOf(*s.ahead);
            }
        }
        if (!s.haveAhead || s.aheadIndex > index)
            break;
        if (s.aheadIndex <= s.currentIndex) {
            // A variable rate source has frames closer than the average; the
            // later of two in one frame's time is the one shown.
            if (s.variable && s.currentIndex >= 0) {
                std::swap(s.current, s.ahead);
            } else {
                ++s.leftOut;
                s.warn(s.leftOut, "a frame with the time of frame " +
                                      std::to_string(s.currentIndex) + " or earlier is left out");
            }
        } else {
            std::swap(s.current, s.ahead);
            s.currentIndex = s.aheadIndex;
            if (!s.described) {
                s.description =
                    describeSource(s.path, *s.input, s.stream, *s.current, s.bits, s.orientation);
                s.described = true;
            }
        }
        av_frame_unref(s.ahead.get());
        s.haveAhead = false;
    }
    if (s.currentIndex < index) {
        if (s.ended && !s.readFailure.empty()) {
            throw VideoError("cannot read " + s.path + " past frame " +
                             std::to_string(s.currentIndex) + ": " + s.readFailure);
        }
        // Past the last frame the stream has ended, whatever the container
        // said: nothing stands in for frames that never came. A variable
        // rate source's last frame lasts to the end of its duration.
        const bool lasting = s.variable && index < frameCount();
        if ((s.ended && !lasting) || s.currentIndex < 0) {
            throw VideoError(s.path + " has no frame " + std::to_string(index) + " (it has " +
                             std::to_string(s.currentIndex + 1) + ")");
        }
        // A variable rate source has frames further apart than the average:
        // each is shown until the next one's time.
        if (!s.variable) {
            ++s.stoodIn;
            s.warn(s.stoodIn, "frame " + std::to_string(index) + " is missing; frame " +
                                  std::to_string(s.currentIndex) + " stands in for it");
        }
    }
    s.shown = index;
    return s.converter->convert(*s.current, index);
}

const VideoDescription& VideoReader::description() const {
    return state_->description;
}

std::vector<std::string> VideoReader::takeWarnings() {
    std::vector<std::string> taken;
    taken.swap(state_->warnings);
    return taken;
}

long VideoReader::concealed() const {
    return state_->concealed;
}

long VideoReader::stoodIn() const {
    return state_->stoodIn;
}
