#pragma once
// The description of a video source that goes along into a rendered video.

#include <string>

#include "DisplayOrientation.h"
#include "LibavObjects.h"
#include "VideoDescription.h"

// Stream `stream` of `input` (read from `path`), from its first decoded
// picture `first` of `bits` per channel, as the reader gives it turned by
// `orientation`. The picture's own tags win over the container's.
VideoDescription describeSource(const std::string& path, const AVFormatContext& input, int stream,
                                const AVFrame& first, int bits,
                                const DisplayOrientation& orientation);
