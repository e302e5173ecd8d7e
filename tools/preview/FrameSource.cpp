#include "FrameSource.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <optional>

#include "FrameInput.h"
#include "FramePattern.h"
#include "TestPattern.h"

namespace {

class StillImage : public FrameSource {
public:
    explicit StillImage(HostWorld image) : image_(std::move(image)) {}
    HostWorld frameAt(double) const override { return image_; }

private:
    HostWorld image_;
};

// The lowest frame number of a sequence's files (shots often start at 1001),
// or 0 when there is none.
long firstFrameNumber(const std::string& pattern) {
    namespace fs = std::filesystem;
    // A number wider than any padding shows where the pattern puts it.
    const fs::path probe(framePath(pattern, 123456789));
    const std::string probeName = probe.filename().string();
    const std::size_t at = probeName.find("123456789");
    if (at == std::string::npos)  // the number is in a folder's name
        return 0;
    const std::string prefix = probeName.substr(0, at), suffix = probeName.substr(at + 9);
    std::optional<long> first;
    std::error_code error;
    const fs::path folder = probe.has_parent_path() ? probe.parent_path() : fs::path(".");
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(),
                                              [](unsigned char c) { return std::isdigit(c); }))
            continue;
        const long number = std::stol(digits);
        if (fs::path(framePath(pattern, number)).filename() == name && (!first || number < *first))
            first = number;
    }
    return first.value_or(0);
}

// A sequence or a video through render's own inputs, so that both commands
// read the same frames. Time 0 is a video's first frame and a sequence's
// lowest-numbered one.
class InputFrames : public FrameSource {
public:
    InputFrames(std::unique_ptr<FrameInput> input, long first)
        : input_(std::move(input)), first_(first) {}

    HostWorld frameAt(double seconds) const override {
        const FrameRate rate = input_->rate().value_or(FrameRate{});
        long index = std::lround(std::max(seconds, 0.0) * rate.num / rate.den);
        if (input_->rate() && input_->frameCount() > 0)
            index = std::min(index, input_->frameCount() - 1);
        index += first_;
        input_->require(index, index);
        return input_->frame(index);
    }

private:
    std::unique_ptr<FrameInput> input_;
    long first_;
};

}  // namespace

std::unique_ptr<FrameSource> openFrameSource(const std::string& path) {
    if (path.empty())
        return std::make_unique<StillImage>(testPattern(640, 360, 40));
    std::unique_ptr<FrameInput> input = FrameInput::open(path);
    if (!input->moving())
        return std::make_unique<StillImage>(input->frame(0));
    const long first = input->rate() ? 0 : firstFrameNumber(path);
    return std::make_unique<InputFrames>(std::move(input), first);
}
