#include "SourceTracks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// Bytes a sample of all channels for PCM whose packets split at any sample
// (interleaved, no headers); 0 otherwise.
int pcmFrameBytes(const AVCodecParameters& codec) {
    const int bits = av_get_exact_bits_per_sample(codec.codec_id);
    const bool pcm = codec.codec_id >= AV_CODEC_ID_FIRST_AUDIO &&
                     codec.codec_id < AV_CODEC_ID_ADPCM_IMA_QT &&
                     std::strstr(avcodec_get_name(codec.codec_id), "planar") == nullptr;
    if (!pcm || bits <= 0 || bits % 8 != 0 || codec.sample_rate <= 0 ||
        codec.ch_layout.nb_channels <= 0)
        return 0;
    return bits / 8 * codec.ch_layout.nb_channels;
}

}  // namespace

SourceTracks::SourceTracks(const std::string& path, AVFormatContext* output,
                           const std::string& outputPath, VideoRate rate, long firstFrame,
                           std::vector<std::string>& warnings)
    : outputPath_(outputPath),
      input_(openInput(path)),
      output_(output),
      frame_{rate.den, rate.num},
      firstFrame_(firstFrame) {
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
        to->disposition = from.disposition;
        av_dict_copy(&to->metadata, from.metadata, 0);
        const int frameBytes = pcmFrameBytes(*from.codecpar);
        const AVRational unit =
            frameBytes ? AVRational{1, from.codecpar->sample_rate} : from.time_base;
        to->time_base = unit;
        const std::int64_t start = from.start_time == AV_NOPTS_VALUE ? 0 : from.start_time;
        tracks_.push_back(Track{static_cast<int>(i), to, unit, frameBytes,
                                av_rescale_q(start, from.time_base, unit), -1});
    }
}

std::int64_t SourceTracks::positionOf(const Track& track, long frame) const {
    // From the frame's number, not the render's first frame: renders of
    // consecutive ranges cut where one render of them all plays on.
    return track.origin + av_rescale_q(frame, frame_, track.unit);
}

void SourceTracks::write(const Track& track, std::int64_t length) {
    Packet part{av_packet_alloc()};
    check(av_packet_ref(part.get(), held_.get()), "cannot write " + outputPath_);
    const std::int64_t start = positionOf(track, firstFrame_);
    part->pts = heldPosition_ - start;
    if (track.frameBytes) {
        part->dts = part->pts;
        part->size = static_cast<int>(length * track.frameBytes);
        part->duration = length;
        held_->data += part->size;
        held_->size -= part->size;
        heldPosition_ += length;
        holding_ = held_->size > 0;
    } else {
        part->dts = held_->dts == AV_NOPTS_VALUE ? part->pts : held_->dts - start;
        holding_ = false;
    }
    part->stream_index = track.to->index;
    part->pos = -1;
    av_packet_rescale_ts(part.get(), track.unit, track.to->time_base);
    if (!holding_)
        av_packet_unref(held_.get());
    check(av_interleaved_write_frame(output_, part.get()), "cannot write " + outputPath_);
}

SourceTracks::Track* SourceTracks::trackOf(int sourceStream) {
    for (Track& track : tracks_) {
        if (track.from == sourceStream)
            return &track;
    }
    return nullptr;
}

void SourceTracks::copyUntil(long frames) {
    if (tracks_.empty())
        return;
    while (!ended_) {
        if (!holding_) {
            if (av_read_frame(input_.get(), held_.get()) < 0) {
                ended_ = true;
                return;
            }
            Track* track = trackOf(held_->stream_index);
            if (track == nullptr || held_->pts == AV_NOPTS_VALUE) {
                av_packet_unref(held_.get());
                continue;
            }
            const AVRational base = input_->streams[track->from]->time_base;
            heldPosition_ = av_rescale_q(held_->pts, base, track->unit);
            // PCM's timestamps in a coarse time base (a millisecond in .mkv)
            // round its packets' starts: within a tick, a packet follows on
            // from the one before.
            const std::int64_t tick = av_rescale_q(1, base, track->unit) + 1;
            if (track->frameBytes && track->next >= 0 &&
                std::abs(heldPosition_ - track->next) <= tick)
                heldPosition_ = track->next;
            track->next = heldPosition_ + (track->frameBytes ? held_->size / track->frameBytes : 0);
            // PCM before the first frame's time is cut off; a packet of
            // another codec goes with the frames its start falls in.
            const std::int64_t early = positionOf(*track, firstFrame_) - heldPosition_;
            const std::int64_t length = track->frameBytes ? held_->size / track->frameBytes : 0;
            if (early > 0 && early < length) {
                held_->data += early * track->frameBytes;
                held_->size -= static_cast<int>(early * track->frameBytes);
                heldPosition_ += early;
            } else if (early > 0 || (track->frameBytes && length == 0)) {
                av_packet_unref(held_.get());
                continue;
            }
            holding_ = true;
        }
        const Track& track = *trackOf(held_->stream_index);
        // What plays past the frames written so far waits for the next ones.
        const std::int64_t room = positionOf(track, firstFrame_ + frames) - heldPosition_;
        if (room <= 0)
            return;
        const std::int64_t length = track.frameBytes ? held_->size / track.frameBytes : 0;
        write(track, std::min(length, room));
    }
}
