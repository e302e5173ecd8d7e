#include "FrameSource.h"

#include <algorithm>
#include <filesystem>

#include "FramePattern.h"
#include "TestPattern.h"

namespace {

// A still answers a span of ten seconds, so that effects that move with time
// can be watched over it.
constexpr long kStillFrames = 250;
// Entries of a sequence's folder looked through for its first frame, as
// render looks through.
constexpr long kMostEntriesLooked = 100000;
// A sequence ends before its sixth missing frame, as render stops there.
constexpr long kMostMissing = 5;

class StillImage : public FrameSource {
public:
    explicit StillImage(HostWorld image) : image_(std::move(image)) {}
    HostWorld frame(long) const override { return image_; }
    FrameSpan span() const override { return FrameSpan{FrameRate{}, kStillFrames, true}; }

private:
    HostWorld image_;
};

// The files of a sequence from its lowest number (shots often start at
// 1001), up to the last one before more than kMostMissing numbers are
// missing; each look is one file, so a gap far past the files costs nothing.
std::pair<long, long> sequenceFiles(const std::string& pattern) {
    const long first = existingFrameRange(pattern, kMostEntriesLooked).first;
    long last = first, missing = 0;
    for (long number = first + 1; missing <= kMostMissing; ++number) {
        if (std::filesystem::is_regular_file(framePath(pattern, number))) {
            last = number;
            missing = 0;
        } else {
            ++missing;
        }
    }
    return {first, last};
}

// A sequence or a video through render's own inputs, so that both commands
// read the same frames. Frame 0 is a video's first frame and a sequence's
// lowest-numbered one.
class InputFrames : public FrameSource {
public:
    InputFrames(std::unique_ptr<FrameInput> input, long first, long frames)
        : input_(std::move(input)), first_(first), frames_(std::max(frames, 1L)) {}

    HostWorld frame(long index) const override {
        const long number = first_ + std::clamp(index, 0L, frames_ - 1);
        input_->require(number, number);
        return input_->frame(number);
    }
    FrameSpan span() const override {
        return FrameSpan{input_->rate().value_or(FrameRate{}), frames_, false};
    }

private:
    std::unique_ptr<FrameInput> input_;
    long first_;
    long frames_;
};

}  // namespace

std::unique_ptr<FrameSource> openFrameSource(const std::string& path) {
    if (path.empty())
        return std::make_unique<StillImage>(testPattern(640, 360, 40));
    std::unique_ptr<FrameInput> input = FrameInput::open(path);
    if (!input->moving())
        return std::make_unique<StillImage>(input->frame(0));
    if (input->rate()) {
        // A video whose length its container does not tell plays to its
        // frames' end; the control then spans the still's ten seconds.
        const long frames = input->frameCount() > 0 ? input->frameCount() : kStillFrames;
        return std::make_unique<InputFrames>(std::move(input), 0, frames);
    }
    const auto [first, last] = sequenceFiles(path);
    return std::make_unique<InputFrames>(std::move(input), first, last - first + 1);
}
