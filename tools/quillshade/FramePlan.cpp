#include "FramePlan.h"

#include <cmath>
#include <regex>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "FramePattern.h"

namespace {

// The frame numbers of --frames FIRST-LAST.
std::pair<long, long> frameRange(const std::string& text) {
    static const std::regex range(R"(([0-9]{1,9})-([0-9]{1,9}))");
    std::smatch match;
    if (!std::regex_match(text, match, range) || std::stol(match[1]) > std::stol(match[2]))
        throw std::runtime_error("--frames must be written FIRST-LAST: '" + text + "'");
    return {std::stol(match[1]), std::stol(match[2])};
}

}  // namespace

FrameTime FramePlan::time(long index) const {
    FrameTime time;
    if (single) {
        time.scale = 1000;
        time.value = static_cast<A_long>(std::llround(seconds * 1000));
    } else if (rate) {
        time.scale = static_cast<A_u_long>(rate->num);
        time.step = rate->den;
        time.value = static_cast<A_long>(index * rate->den);
    } else {
        time = FrameTime::ofFrame(static_cast<A_long>(index), fps);
    }
    return time;
}

FramePlan planFrames(const std::string& frames, double fps, double seconds,
                     const std::string& output, const FrameInput& input) {
    FramePlan plan;
    plan.rate = input.rate();
    plan.fps = fps;
    if (!plan.rate && !(fps > 0))
        throw std::runtime_error("--fps must be above 0");
    if (!frames.empty()) {
        std::tie(plan.first, plan.last) = frameRange(frames);
    } else if (plan.rate && input.frameCount() > 0) {
        plan.last = input.frameCount() - 1;
    } else if (input.moving()) {
        throw std::runtime_error("name the frames to render with --frames FIRST-LAST");
    } else {
        plan.single = true;
        plan.seconds = seconds;
    }
    const bool video = isVideoFileName(output);
    if (!video)
        requireFrameWidth(output);
    if (!plan.single && !video && !hasFramePattern(output)) {
        throw std::runtime_error(
            "with several frames the output name needs a # run or a %0Nd pattern, "
            "or a video file: " +
            output);
    }
    return plan;
}
