// OpenEXR through the OpenEXR library, in memory. Channels R, G, B and A go
// straight between the file and the host image's float pixels; a missing
// colour channel reads as 0 and a missing alpha as 1.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfStdIO.h>
#include <ImfThreading.h>

#include <cstddef>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#include "ImageBudget.h"
#include "ImageCodecs.h"
#include "ImageFiles.h"

namespace {

struct Channel {
    const char* name;
    std::size_t offset;
    double fill;
};

const Channel kChannels[] = {
    {"R", offsetof(PF_PixelFloat, red), 0.0},
    {"G", offsetof(PF_PixelFloat, green), 0.0},
    {"B", offsetof(PF_PixelFloat, blue), 0.0},
    {"A", offsetof(PF_PixelFloat, alpha), 1.0},
};

// Slices that address the image's pixels, the file's data window starting at
// the image's first pixel.
Imf::FrameBuffer frameBuffer(HostWorld& image, const Imath::V2i& origin) {
    Imf::FrameBuffer buffer;
    auto* first = static_cast<char*>(image.row(0));
    for (const Channel& channel : kChannels) {
        buffer.insert(
            channel.name,
            Imf::Slice::Make(Imf::FLOAT, first + channel.offset, origin, image.width(),
                             image.height(), sizeof(PF_PixelFloat),
                             static_cast<std::size_t>(image.rowBytes()), 1, 1, channel.fill));
    }
    return buffer;
}

Imf::Compression imfCompression(ExrCompression compression) {
    switch (compression) {
        case ExrCompression::None:
            return Imf::NO_COMPRESSION;
        case ExrCompression::Rle:
            return Imf::RLE_COMPRESSION;
        case ExrCompression::Zips:
            return Imf::ZIPS_COMPRESSION;
        case ExrCompression::Zip:
            return Imf::ZIP_COMPRESSION;
        case ExrCompression::Piz:
            break;
    }
    return Imf::PIZ_COMPRESSION;
}

// OpenEXR compresses blocks of lines on its global thread pool; it starts with
// none, so size it to the machine once.
int writerThreads() {
    static const int threads = [] {
        const int cores = static_cast<int>(std::thread::hardware_concurrency());
        if (cores > 1 && Imf::globalThreadCount() == 0)
            Imf::setGlobalThreadCount(cores);
        return Imf::globalThreadCount();
    }();
    return threads;
}

}  // namespace

bool isExr(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t magic[4] = {0x76, 0x2f, 0x31, 0x01};
    return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

HostWorld decodeExr(const std::vector<std::uint8_t>& bytes) {
    try {
        Imf::StdISStream stream;
        stream.str(std::string(bytes.begin(), bytes.end()));
        Imf::InputFile file(stream);
        const Imath::Box2i window = file.header().dataWindow();
        const std::int64_t width = std::int64_t{window.max.x} - window.min.x + 1;
        const std::int64_t height = std::int64_t{window.max.y} - window.min.y + 1;
        if (width <= 0 || height <= 0 || width > 65536 || height > 65536)
            throw ImageFileError("unsupported image size");
        const std::string budget =
            ImageBudget::refusal(static_cast<std::uint64_t>(width),
                                 static_cast<std::uint64_t>(height), sizeof(PF_PixelFloat));
        if (!budget.empty())
            throw ImageFileError(budget);
        // A file whose table of chunks has gaps was cut short or never
        // finished: refused before its pixels are allocated.
        if (!file.isComplete())
            throw ImageFileError("the file ends before all of its image data");
        HostWorld image(static_cast<A_long>(width), static_cast<A_long>(height), 32);
        file.setFrameBuffer(frameBuffer(image, window.min));
        file.readPixels(window.min.y, window.max.y);
        return image;
    } catch (const ImageFileError&) {
        throw;
    } catch (const std::exception& e) {
        throw ImageFileError(e.what());
    }
}

std::vector<std::uint8_t> encodeExr(const HostWorld& source, ExrCompression compression) {
    if (source.empty())
        throw ImageFileError("cannot encode an empty image");
    HostWorld image = source.depth() == 32 ? source : source.converted(32);
    try {
        Imf::Header header(image.width(), image.height());
        header.compression() = imfCompression(compression);
        for (const Channel& channel : kChannels)
            header.channels().insert(channel.name, Imf::Channel(Imf::FLOAT));
        Imf::StdOSStream stream;
        {
            Imf::OutputFile file(stream, header, writerThreads());
            file.setFrameBuffer(frameBuffer(image, Imath::V2i(0, 0)));
            file.writePixels(image.height());
        }
        const std::string text = stream.str();
        return std::vector<std::uint8_t>(text.begin(), text.end());
    } catch (const std::exception& e) {
        throw ImageFileError(e.what());
    }
}
