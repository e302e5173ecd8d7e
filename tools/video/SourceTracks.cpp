#include "SourceTracks.h"

#include <filesystem>

namespace {

std::string trackName(const AVStream& stream, int number) {
    const char* type = av_get_media_type_string(stream.codecpar->codec_type);
    return std::string(type ? type : "unknown") + " track " + std::to_string(number) + " (" +
           avcodec_get_name(stream.codecpar->codec_id) + ")";
}

bool isTimecodeTrack(const AVStream& stream) {
    return stream.codecpar->codec_type == AVMEDIA_TYPE_DATA &&
           av_dict_get(stream.metadata, "timecode", nullptr, 0) != nullptr;
}

}  // namespace

SourceTracks::SourceTracks(const std::string& path, AVFormatContext* output,
                           const std::string& outputPath, VideoRate rate, long firstFrame,
                           std::vector<std::string>& warnings)
    : outputPath_(outputPath), input_(openInput(path)), output_(output) {
    const int video = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const std::string container = std::filesystem::path(outputPath).extension().string() + " files";
    for (unsigned i = 0; i < input_->nb_streams; ++i) {
        const AVStream& from = *input_->streams[i];
        const AVMediaType type = from.codecpar->codec_type;
        if (static_cast<int>(i) == video || isTimecodeTrack(from) ||
            (from.disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const std::string name = trackName(from, static_cast<int>(i));
        if (type != AVMEDIA_TYPE_AUDIO) {
            warnings.push_back("warning: " + path + ": " + name +
                               " is left out: a render carries the source's audio and timecode");
            continue;
        }
        // A container that does not know the codec (-1) is left to try.
        if (avformat_query_codec(output->oformat, from.codecpar->codec_id, FF_COMPLIANCE_NORMAL) ==
            0) {
            warnings.push_back("warning: " + path + ": " + name + " is left out: " + container +
                               " cannot hold " + avcodec_get_name(from.codecpar->codec_id) +
                               " (.mov and .mkv can)");
            continue;
        }
        AVStream* to = avformat_new_stream(output, nullptr);
        if (to == nullptr)
            throw VideoError("cannot write " + outputPath + ": out of memory");
        check(avcodec_parameters_copy(to->codecpar, from.codecpar), outputPath);
        to->codecpar->codec_tag = 0;
        to->time_base = from.time_base;
        to->disposition = from.disposition;
        av_dict_copy(&to->metadata, from.metadata, 0);
        const std::int64_t origin = from.start_time == AV_NOPTS_VALUE ? 0 : from.start_time;
        const AVRational frame{rate.den, rate.num};
        tracks_.push_back(Track{static_cast<int>(i), to,
                                origin + av_rescale_q(firstFrame, frame, from.time_base)});
    }
}

const SourceTracks::Track* SourceTracks::trackOf(int sourceStream) const {
    for (const Track& track : tracks_) {
        if (track.from == sourceStream)
            return &track;
    }
    return nullptr;
}

void SourceTracks::copyUntil(double seconds) {
    if (tracks_.empty())
        return;
    while (!ended_) {
        if (!holding_) {
            if (av_read_frame(input_.get(), held_.get()) < 0) {
                ended_ = true;
                return;
            }
            const Track* track = trackOf(held_->stream_index);
            if (track == nullptr || held_->pts == AV_NOPTS_VALUE || held_->pts < track->start) {
                av_packet_unref(held_.get());
                continue;
            }
            holding_ = true;
        }
        const Track& track = *trackOf(held_->stream_index);
        const AVRational base = input_->streams[track.from]->time_base;
        // A packet past the frames written so far waits for the next ones.
        if (held_->pts - track.start >= static_cast<std::int64_t>(seconds / av_q2d(base)))
            return;
        held_->pts -= track.start;
        held_->dts = held_->dts == AV_NOPTS_VALUE ? held_->pts : held_->dts - track.start;
        held_->stream_index = track.to->index;
        held_->pos = -1;
        av_packet_rescale_ts(held_.get(), base, track.to->time_base);
        holding_ = false;
        check(av_interleaved_write_frame(output_, held_.get()), "cannot write " + outputPath_);
    }
}
