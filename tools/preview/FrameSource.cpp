#include "FrameSource.h"

#include "ImageFiles.h"

namespace {

class StillImage : public FrameSource {
public:
    explicit StillImage(HostWorld image) : image_(std::move(image)) {}
    HostWorld frameAt(double) const override { return image_; }

private:
    HostWorld image_;
};

// Colour ramps across and down over a checkerboard, opaque: enough structure
// to see what an effect does before the author picks an input.
HostWorld testPattern() {
    constexpr A_long width = 640, height = 360;
    HostWorld frame(width, height, 8);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            PF_PixelFloat pixel{};
            pixel.alpha = 1.0f;
            pixel.red = static_cast<float>(x) / (width - 1);
            pixel.green = static_cast<float>(y) / (height - 1);
            pixel.blue = ((x / 40 + y / 40) % 2) ? 0.8f : 0.2f;
            frame.set(x, y, pixel);
        }
    }
    return frame;
}

}  // namespace

std::unique_ptr<FrameSource> openFrameSource(const std::string& path) {
    return std::make_unique<StillImage>(path.empty() ? testPattern() : readImageFile(path));
}
