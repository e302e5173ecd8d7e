#include "OutputOverInputs.h"

#include <filesystem>
#include <set>
#include <stdexcept>

#include "FramePattern.h"
#include "PathRules.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void refuse(const std::string& output, const std::string& what) {
    throw std::runtime_error("the output " + output + " is " + what +
                             "; write the output to another file");
}

}  // namespace

void refuseOutputOverInputs(const std::string& output, const FramePlan& plan,
                            const FrameInput& input,
                            const std::vector<std::pair<std::string, std::string>>& layers) {
    // A sequence's frames by their resolved names, so that an output frame
    // that lands on an input frame of another number is found too.
    const bool sequence = input.moving() && input.videoPath().empty();
    std::set<fs::path> sequenceFrames;
    for (long index = plan.first; sequence && index <= plan.last; ++index)
        sequenceFrames.insert(PathRules::resolved(input.fileName(index)));

    const bool video = isVideoFileName(output);
    for (long index = plan.first; index <= plan.last; ++index) {
        const std::string written = video ? output : framePath(output, index);
        std::error_code error;
        if (!fs::exists(written, error))
            continue;
        const std::string read = input.fileName(index);
        if (PathRules::sameFile(written, read) ||
            sequenceFrames.count(PathRules::resolved(written)) > 0) {
            refuse(written, "one of the input files");
        }
        for (const auto& [name, image] : layers) {
            if (PathRules::sameFile(written, image))
                refuse(written, "the image of --layer " + name);
        }
        if (video)
            break;
    }
}
