#pragma once
// Turns the time a frei0r host passes into the effect's frame time. Hosts
// differ: MLT passes seconds from the filter's in-point; ffmpeg passes
// milliseconds, and ffmpeg 5.1 the scaled "no timestamp" value, so there the
// frames are counted. Neither passes the frame rate, which the effect's time
// step needs. QUILLSHADE_FREI0R_TIME (seconds, milliseconds or frames) and
// QUILLSHADE_FREI0R_FPS (default 25) override both.

#include "SimulatedHost.h"

class HostClock {
public:
    enum class Unit { Automatic, Seconds, Milliseconds, Frames };

    HostClock(Unit unit, double fps);
    // The settings of the environment, and of the host process for the unit.
    static HostClock fromEnvironment();

    // The effect's time of the frame the host passes at `hostTime`, being the
    // `frameCount`th frame the instance renders (counted from 0).
    FrameTime frameTime(double hostTime, long frameCount) const;

    Unit unit() const { return unit_; }
    double fps() const { return fps_; }

private:
    Unit unit_;
    double fps_;
};
