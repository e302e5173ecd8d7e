#include "FrameSource.h"

#include "ImageFiles.h"
#include "TestPattern.h"

namespace {

class StillImage : public FrameSource {
public:
    explicit StillImage(HostWorld image) : image_(std::move(image)) {}
    HostWorld frameAt(double) const override { return image_; }

private:
    HostWorld image_;
};

}  // namespace

std::unique_ptr<FrameSource> openFrameSource(const std::string& path) {
    return std::make_unique<StillImage>(path.empty() ? testPattern(640, 360, 40)
                                                     : readImageFile(path));
}
