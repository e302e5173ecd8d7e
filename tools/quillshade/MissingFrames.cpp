#include "MissingFrames.h"

#include <filesystem>

namespace {

// Missing frames named before the render stops at the next one.
constexpr long kMostMissing = 5;

}  // namespace

MissingFrames::MissingFrames(const FrameInput& input, long first, long last, bool keepGoing)
    : input_(input), first_(first), last_(last), keepGoing_(keepGoing), stop_(last + 1) {
    if (!input.moving() || !input.videoPath().empty())
        return;
    for (long index = first; index <= last; ++index) {
        std::error_code error;
        if (std::filesystem::is_regular_file(input.fileName(index), error))
            continue;
        if (!keepGoing || static_cast<long>(missing_.size()) == kMostMissing) {
            stop_ = index;
            return;
        }
        missing_.insert(index);
    }
}

long MissingFrames::firstPresent() const {
    long index = first_;
    while (index < stop_ && missing(index)) ++index;
    return index;
}

std::string MissingFrames::line(long index) const {
    return "quillshade render: input frame " + std::to_string(index) +
           " is missing: " + input_.fileName(index);
}

std::string MissingFrames::stopLine() const {
    if (!keepGoing_) {
        return line(stop_) +
               "\nquillshade render: stopped at the missing input frame; --keep-going renders "
               "the frames there are";
    }
    return line(stop_) + "\nquillshade render: stopped: more than " + std::to_string(kMostMissing) +
           " input frames are missing";
}

std::string MissingFrames::note() const {
    // The frame the render stopped at is missing too.
    const long count = static_cast<long>(missing_.size()) + (stop_ <= last_ ? 1 : 0);
    if (count == 0)
        return {};
    return std::to_string(count) + " input frame" + (count > 1 ? "s" : "") + " missing";
}
