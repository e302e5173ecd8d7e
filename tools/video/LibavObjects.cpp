#include "LibavObjects.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ImageBudget.h"

std::string libavError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int check(int code, const std::string& what) {
    if (code < 0)
        throw VideoError(what + ": " + libavError(code));
    return code;
}

void quietLibav() {
    // The tool reports failures itself; encoders' statistics are noise.
    av_log_set_level(AV_LOG_ERROR);
}

InputFile openInput(const std::string& path) {
    quietLibav();
    AVFormatContext* raw = nullptr;
    check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "cannot open " + path);
    InputFile input(raw);
    // Probing the streams decodes a first frame of each at the size its
    // bitstream states, before the reader can hold that to the image limit.
    // Sizes the container states are held to it now (at 4 bytes a pixel,
    // the least a frame takes in the host's layout), and the probe's
    // decoders refuse larger frames, so that a small file stating a huge
    // frame allocates nothing for it.
    std::string error;
    const std::uint64_t pixels = ImageBudget::limit(error) / 4;
    std::vector<AVDictionary*> options(input->nb_streams, nullptr);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters& stated = *input->streams[i]->codecpar;
        if (stated.codec_type != AVMEDIA_TYPE_VIDEO || pixels == 0)
            continue;
        const std::string refused =
            ImageBudget::refusal(static_cast<std::uint64_t>(std::max(stated.width, 0)),
                                 static_cast<std::uint64_t>(std::max(stated.height, 0)), 4);
        if (!refused.empty()) {
            for (AVDictionary*& streamOptions : options) av_dict_free(&streamOptions);
            throw VideoError(path + ": " + refused);
        }
        av_dict_set_int(&options[i], "max_pixels", static_cast<std::int64_t>(pixels), 0);
    }
    const int probed =
        avformat_find_stream_info(input.get(), options.empty() ? nullptr : options.data());
    for (AVDictionary*& streamOptions : options) av_dict_free(&streamOptions);
    check(probed, "cannot read the streams of " + path);
    return input;
}
