#include "HostClock.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kDefaultFps = 25;
// Sub-frame times keep a hundredth of a frame, the host's usual time scale.
constexpr A_long kStepsPerFrame = 100;

bool processHas(const char* symbol) {
    return dlsym(RTLD_DEFAULT, symbol) != nullptr;
}

HostClock::Unit unitNamed(const char* text) {
    if (text == nullptr)
        return HostClock::Unit::Automatic;
    if (std::strcmp(text, "seconds") == 0 || std::strcmp(text, "s") == 0)
        return HostClock::Unit::Seconds;
    if (std::strcmp(text, "milliseconds") == 0 || std::strcmp(text, "ms") == 0)
        return HostClock::Unit::Milliseconds;
    if (std::strcmp(text, "frames") == 0)
        return HostClock::Unit::Frames;
    return HostClock::Unit::Automatic;
}

}  // namespace

HostClock::HostClock(Unit unit, double fps)
    : unit_(unit), fps_(std::isfinite(fps) && fps > 0 && fps <= 1000 ? fps : kDefaultFps) {}

HostClock HostClock::fromEnvironment() {
    Unit unit = unitNamed(std::getenv("QUILLSHADE_FREI0R_TIME"));
    // The MLT library is in every MLT application (melt, Kdenlive, Shotcut);
    // ffmpeg's filter library is loaded by MLT too, so MLT is asked first.
    if (unit == Unit::Automatic && !processHas("mlt_factory_init") &&
        processHas("avfilter_version"))
        unit = Unit::Milliseconds;
    const char* fps = std::getenv("QUILLSHADE_FREI0R_FPS");
    return HostClock(unit, fps ? std::strtod(fps, nullptr) : kDefaultFps);
}

FrameTime HostClock::frameTime(double hostTime, long frameCount) const {
    double seconds = unit_ == Unit::Milliseconds ? hostTime / 1000 : hostTime;
    // A time that is no time (ffmpeg 5.1 scales its "no timestamp" value, a
    // huge negative number) counts frames, as the frames unit does.
    if (unit_ == Unit::Frames || !std::isfinite(seconds) || seconds < 0 || seconds > 1e7)
        seconds = static_cast<double>(frameCount) / fps_;
    FrameTime time;
    time.step = kStepsPerFrame;
    time.scale = static_cast<A_u_long>(std::lround(fps_ * kStepsPerFrame));
    time.value = static_cast<A_long>(std::llround(seconds * time.scale));
    return time;
}
