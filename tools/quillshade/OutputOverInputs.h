#pragma once
// render never writes a frame over a file it reads: an input image, a frame
// of an input sequence or video, or a layer's image, whatever spelling or link
// leads the output there.

#include <string>
#include <utility>
#include <vector>

#include "FrameInput.h"
#include "FramePlan.h"

// Throws std::runtime_error naming the output file and the input it would
// replace. `layers` are the --layer names and their images.
void refuseOutputOverInputs(const std::string& output, const FramePlan& plan,
                            const FrameInput& input,
                            const std::vector<std::pair<std::string, std::string>>& layers);
