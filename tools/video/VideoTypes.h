#pragma once
// What the video reader and writer share with their callers, free of libav's
// own types so that the tool compiles without its headers.

#include <stdexcept>
#include <string>

class VideoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Frames per second as a ratio, e.g. 30000/1001.
struct VideoRate {
    int num = 25;
    int den = 1;
    double fps() const { return static_cast<double>(num) / den; }
};
