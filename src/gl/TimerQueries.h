#pragma once
// GL timer queries (GL_TIME_ELAPSED), owned: each measures how long the GPU
// spent on the commands issued between its begin() and end(). Names are made
// as more are asked for and kept for reuse, and deleted with the owner or by
// clear(); both need the context that made them current (or none at all, when
// the driver ignores the call).

#include <cstddef>
#include <cstdint>
#include <vector>

class TimerQueries {
public:
    TimerQueries() = default;
    ~TimerQueries();
    TimerQueries(const TimerQueries&) = delete;
    TimerQueries& operator=(const TimerQueries&) = delete;

    // Whether the current context measures GPU time: GL 3.3 or
    // ARB_timer_query. Without, nothing here may be called.
    static bool supported();

    // Starts query `index`, making names up to it first; false, starting
    // nothing, when the driver made none.
    bool begin(std::size_t index);
    // Ends the query begin() started.
    static void end();
    // The nanoseconds query `index` measured. Waits for the GPU when it has
    // not finished the measured commands yet; callers ask once it has.
    std::uint64_t nanoseconds(std::size_t index) const;

    // Deletes every name.
    void clear();

private:
    // GL names (GLuint), kept free of GL's header for those who include this.
    std::vector<unsigned int> names_;
};
