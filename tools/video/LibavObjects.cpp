#include "LibavObjects.h"

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
    check(avformat_find_stream_info(input.get(), nullptr), "cannot read the streams of " + path);
    return input;
}
