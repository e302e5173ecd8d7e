#pragma once
// The frames of an input sequence that are missing from a render's range,
// found before the render starts. Without --keep-going the render stops at
// the first; with it the frames there are render and the missing ones are
// named, up to the sixth, where it stops: a range far past the files
// (--frames 1-999999999) costs a look at each file there is, not one at
// every number.

#include <set>
#include <string>

#include "FrameInput.h"

class MissingFrames {
public:
    // Looks at the files of a sequence `input` from `first` to `last`; other
    // inputs miss no frame.
    MissingFrames(const FrameInput& input, long first, long last, bool keepGoing);

    bool missing(long index) const { return missing_.count(index) > 0; }
    // The frame the render stops at without rendering it; past `last` when
    // it renders to the end.
    long stop() const { return stop_; }
    // The first frame the render renders; at stop() when there is none.
    long firstPresent() const;
    // How many frames the render renders.
    long frames() const { return stop_ - first_ - static_cast<long>(missing_.size()); }
    // The line naming frame `index` as missing, and the one saying why the
    // render stops at stop().
    std::string line(long index) const;
    std::string stopLine() const;
    // The summary's note, e.g. "2 input frames missing"; empty when none.
    std::string note() const;

private:
    const FrameInput& input_;
    long first_;
    long last_;
    bool keepGoing_;
    std::set<long> missing_;
    long stop_;
};
