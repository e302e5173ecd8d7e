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

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <optional>
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

// OpenEXR allocates header attributes at the sizes the file states before
// reading them: an attribute of a type it does not know, a string or list at
// the size its header or its own length fields give, a preview image at its
// stated width x height. A file of a few hundred bytes could have it allocate
// gigabytes. Walks the header as OpenEXR reads it (every part's, in a
// multi-part file) and names the first attribute that states more bytes than
// follow it; empty when all fit, or when the header is damaged otherwise,
// which OpenEXR reports itself.
class HeaderWalk {
public:
    explicit HeaderWalk(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::string oversized() {
        // The version field's flag of multi-part files (0x1000).
        const bool multipart = bytes_.size() >= 8 && (bytes_[5] & 0x10) != 0;
        at_ = 8;
        // Each part's header: attributes up to an empty name; in a multi-part
        // file an empty header ends the list.
        while (at_ < bytes_.size() && bytes_[at_] != 0) {
            while (at_ < bytes_.size() && bytes_[at_] != 0) {
                std::string name, type;
                std::uint32_t size = 0;
                if (!text(name) || !text(type) || !number(size))
                    return {};
                const std::optional<std::string> problem = value(type, size);
                if (!problem)
                    return {};
                if (!problem->empty())
                    return "its header attribute \"" + name + "\" states " + *problem +
                           ", more than the file holds";
            }
            ++at_;
            if (!multipart)
                break;
        }
        return {};
    }

private:
    std::size_t left() const { return bytes_.size() - at_; }
    bool text(std::string& out) {
        const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(at_);
        const auto end = std::find(first, bytes_.end(), 0);
        if (end == bytes_.end())
            return false;
        out.assign(first, end);
        at_ += out.size() + 1;
        return true;
    }
    bool number(std::uint32_t& out) {
        if (left() < 4)
            return false;
        out = std::uint32_t{bytes_[at_]} | std::uint32_t{bytes_[at_ + 1]} << 8 |
              std::uint32_t{bytes_[at_ + 2]} << 16 | std::uint32_t{bytes_[at_ + 3]} << 24;
        at_ += 4;
        return true;
    }
    bool skip(std::uint64_t count) {
        if (count > left())
            return false;
        at_ += static_cast<std::size_t>(count);
        return true;
    }

    // Reads one value as OpenEXR does: most types by their content, the
    // others by the stated size. An empty text when it fits, what it states
    // when that does not, nothing when the value is damaged otherwise.
    std::optional<std::string> value(const std::string& type, std::uint32_t size) {
        static const std::pair<const char*, std::uint32_t> fixed[] = {
            {"box2i", 16},
            {"box2f", 16},
            {"compression", 1},
            {"lineOrder", 1},
            {"envmap", 1},
            {"float", 4},
            {"deepImageState", 1},
            {"int", 4},
            {"double", 8},
            {"v2i", 8},
            {"v2f", 8},
            {"v2d", 16},
            {"v3i", 12},
            {"v3f", 12},
            {"v3d", 24},
            {"m33f", 36},
            {"m44f", 64},
            {"m33d", 72},
            {"m44d", 128},
            {"rational", 8},
            {"timecode", 8},
            {"keycode", 28},
            {"chromaticities", 32},
            {"tiledesc", 9},
        };
        for (const auto& [name, bytes] : fixed) {
            if (type == name)
                return skip(bytes) ? std::optional<std::string>("") : std::nullopt;
        }
        if (type == "chlist") {
            // Channels: a name, then 16 bytes, up to an empty name.
            for (std::string channel;;) {
                if (!text(channel) || (!channel.empty() && !skip(16)))
                    return std::nullopt;
                if (channel.empty())
                    return "";
            }
        }
        if (type == "preview") {
            std::uint32_t width = 0, height = 0;
            if (!number(width) || !number(height))
                return std::nullopt;
            // Four bytes a pixel; the pixel count alone fits 64 bits.
            if (std::uint64_t{width} * height > left() / 4)
                return "a " + std::to_string(width) + " x " + std::to_string(height) + " preview";
            at_ += std::size_t{width} * height * 4;
            return "";
        }
        if (size > left())
            return std::to_string(size) + " bytes";
        if (type == "stringvector") {
            // Strings of their own stated lengths within the attribute.
            const std::size_t end = at_ + size;
            std::uint32_t length = 0;
            while (at_ < end) {
                if (!number(length))
                    return std::nullopt;
                if (length > end - std::min(end, at_))
                    return "a string of " + std::to_string(length) + " bytes";
                at_ += length;
            }
            return "";
        }
        at_ += size;
        return "";
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

bool isExr(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t magic[4] = {0x76, 0x2f, 0x31, 0x01};
    return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

HostWorld decodeExr(const std::vector<std::uint8_t>& bytes) {
    const std::string oversized = HeaderWalk(bytes).oversized();
    if (!oversized.empty())
        throw ImageFileError(oversized);
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
