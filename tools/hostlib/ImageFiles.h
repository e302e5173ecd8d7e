#pragma once
// Image files for the host: inputs and layer images come from files, rendered
// frames go to them. Files hold red, green, blue, alpha; host images alpha,
// red, green, blue. 16-bit files run 0..65535 and host images 0..32768; the
// two are scaled into each other with rounding.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostWorld.h"

class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads PNG at 8 or 16 bits into an image of that depth, Radiance HDR and
// OpenEXR into float images, and JPEG (or another 8-bit format the decoder
// knows) into 8-bit images. The format is recognised by the file's content.
// Throws ImageFileError naming the file and the reason.
HostWorld readImageFile(const std::string& path);
HostWorld decodeImage(const std::vector<std::uint8_t>& bytes);

// Lossless EXR compressions, by OpenEXR's names for them.
enum class ExrCompression { None, Rle, Zips, Zip, Piz };

// How hard the writers compress. The defaults keep up with rendering: writing
// a frame should not take longer than making it.
struct ImageWriteSettings {
    // 0 stores the rows as they are; 1 run-length deflates Paeth-filtered rows
    // (several times faster than zlib's levels, files near their size); 2 to 9
    // are zlib's levels over rows filtered the best way for each, slower and,
    // from about 6 up, smaller than 1.
    int pngCompression = 1;
    // PIZ is lossless and both faster and smaller than ZIP on rendered frames.
    ExrCompression exrCompression = ExrCompression::Piz;
};

// Writes by the path's extension: ".png" as an 8-bit PNG from 8-bit images and
// a 16-bit PNG from deeper ones (floats clamped to 0..1), ".exr" as a float
// OpenEXR, compressed on all the machine's cores. The file is replaced whole
// or not at all; throws ImageFileError.
void writeImageFile(const std::string& path, const HostWorld& image,
                    const ImageWriteSettings& settings = {});

// 16-bit channel values between files (0..65535) and host images (0..32768).
A_u_short hostFromFile16(std::uint16_t fileValue);
std::uint16_t fileFromHost16(A_u_short hostValue);
