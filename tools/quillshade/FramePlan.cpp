#include "FramePlan.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <regex>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "FramePattern.h"

namespace {

// Directory entries looked at to find a sequence's frames when --frames is
// not given: more than a day of frames at 25 fps, few enough to stay quick
// in a folder that holds far more than one shot.
constexpr long kMostEntriesLooked = 100000;

// The frame numbers of --frames FIRST-LAST, or N for that frame alone.
std::pair<long, long> frameRange(const std::string& text) {
    static const std::regex range(R"(([0-9]{1,9})(-([0-9]{1,9}))?)");
    std::smatch match;
    if (std::regex_match(text, match, range)) {
        const long first = std::stol(match[1]);
        const long last = match[3].matched ? std::stol(match[3]) : first;
        if (first <= last)
            return {first, last};
    }
    throw std::runtime_error("--frames must be written FIRST-LAST or N, with FIRST up to LAST: '" +
                             text + "'");
}

// --fps as a ratio. A decimal is taken as the rate it stands for: 29.97 is
// 30000/1001, as 23.976 is 24000/1001.
FrameRate frameRate(const std::string& text) {
    static const std::regex ratio(R"(([0-9]{1,6})/([0-9]{1,6}))");
    static const std::regex decimal(R"([0-9]{1,6}(\.[0-9]{1,6})?)");
    std::smatch match;
    FrameRate rate{0, 1};
    if (std::regex_match(text, match, ratio)) {
        rate = FrameRate{std::stoi(match[1]), std::stoi(match[2])};
    } else if (std::regex_match(text, decimal)) {
        const double fps = std::strtod(text.c_str(), nullptr);
        const double ntsc = fps * 1.001;
        if (std::abs(fps - std::round(fps)) < 1e-6)
            rate = FrameRate{static_cast<int>(std::lround(fps)), 1};
        else if (std::abs(ntsc - std::round(ntsc)) < 1e-3)
            rate = FrameRate{static_cast<int>(std::lround(ntsc)) * 1000, 1001};
        else
            rate = FrameRate{static_cast<int>(std::lround(fps * 1000)), 1000};
    }
    if (rate.num <= 0 || rate.den <= 0) {
        throw std::runtime_error(
            "--fps must be a rate above 0 written N, N.M or N/D (25, 29.97, 30000/1001): '" + text +
            "'");
    }
    const int divisor = std::gcd(rate.num, rate.den);
    return FrameRate{rate.num / divisor, rate.den / divisor};
}

double seconds(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || std::abs(value) > 1e6)
        throw std::runtime_error("--time must be a number of seconds: '" + text + "'");
    return value;
}

// The frame a viewer sees at `time`: the one whose span holds it. A time
// written to the frame (0.04 at 25 fps) is that frame despite rounding.
long frameAt(double time, FrameRate rate, const char* input) {
    if (time < 0)
        throw std::runtime_error(std::string("--time over ") + input + " must be 0 or more");
    return static_cast<long>(std::floor(time * rate.num / rate.den + 1e-6));
}

}  // namespace

FrameTime FramePlan::time(long index) const {
    FrameTime time;
    if (single) {
        time.scale = 1000;
        time.value = static_cast<A_long>(std::llround(seconds * 1000));
    } else {
        time.scale = static_cast<A_u_long>(rate.num);
        time.step = rate.den;
        time.value = static_cast<A_long>(index * rate.den);
    }
    return time;
}

FramePlan planFrames(const FrameOptions& options, const std::string& inputName,
                     const std::string& output, FrameInput& input) {
    FramePlan plan;
    const bool video = input.rate().has_value();
    const bool sequence = input.moving() && !video;
    if (!options.fps.empty()) {
        plan.rate = frameRate(options.fps);
        // A video is then rendered at that constant rate, each frame showing
        // the source frame of its time.
        if (video)
            input.retime(plan.rate);
    }
    if (video)
        plan.rate = *input.rate();
    std::string ranged;
    if (!options.frames.empty()) {
        std::tie(plan.first, plan.last) = frameRange(options.frames);
    } else if (!options.time.empty() && input.moving()) {
        plan.first = plan.last =
            frameAt(seconds(options.time), plan.rate, video ? "a video" : "a sequence");
    } else if (video && input.frameCount() > 0) {
        plan.last = input.frameCount() - 1;
    } else if (video) {
        throw std::runtime_error("name the frames to render with --frames FIRST-LAST");
    } else if (sequence) {
        std::tie(plan.first, plan.last) = existingFrameRange(inputName, kMostEntriesLooked);
        ranged = "the input sequence has frames " + std::to_string(plan.first) + " to " +
                 std::to_string(plan.last) + "; ";
    } else {
        plan.single = true;
        plan.seconds = options.time.empty() ? 0 : seconds(options.time);
    }
    if (plan.last > LONG_MAX / plan.rate.den || plan.last * plan.rate.den > INT_MAX) {
        throw std::runtime_error("frame " + std::to_string(plan.last) +
                                 " is past the host's time range at this rate");
    }
    const bool videoOutput = isVideoFileName(output);
    if (!videoOutput)
        requireFrameWidth(output);
    if (plan.count() > 1 && !videoOutput && !hasFramePattern(output)) {
        throw std::runtime_error(ranged +
                                 "with several frames the output name needs a # run or a %0Nd "
                                 "pattern, or a video file: " +
                                 output);
    }
    return plan;
}
