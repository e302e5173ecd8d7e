// PNG through libpng. libpng reports errors by a long jump back into the
// function that set it up, so the functions that call it keep every C++
// object with a destructor in their caller's frame: a jump then skips none.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "ImageBudget.h"
#include "ImageCodecs.h"
#include "ImageFiles.h"

namespace {

struct PngStream {
    const std::vector<std::uint8_t>* in = nullptr;
    std::size_t position = 0;
    std::vector<std::uint8_t>* out = nullptr;
    char message[256] = "";
    // Why the stated size is refused, kept apart from `message`, which the
    // error handler fills from it.
    char refusal[256] = "";
};

void onError(png_structp png, png_const_charp message) {
    auto* stream = static_cast<PngStream*>(png_get_error_ptr(png));
    std::snprintf(stream->message, sizeof stream->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* stream = static_cast<PngStream*>(png_get_io_ptr(png));
    if (stream->in->size() - stream->position < length)
        png_error(png, "the file ends early");
    std::memcpy(data, stream->in->data() + stream->position, length);
    stream->position += length;
}

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* stream = static_cast<PngStream*>(png_get_io_ptr(png));
    stream->out->insert(stream->out->end(), data, data + length);
}

void flushBytes(png_structp) {}

// The bytes of the IDAT chunks, which hold the compressed image; the chunks
// are walked in the file's bytes, up to its end or IEND.
std::uint64_t compressedImageBytes(const std::vector<std::uint8_t>& file) {
    std::uint64_t total = 0;
    std::size_t at = 8;
    while (at < file.size() && file.size() - at >= 8) {
        const std::uint8_t* chunk = &file[at];
        const std::uint64_t length =
            (std::uint64_t{chunk[0]} << 24) | (chunk[1] << 16) | (chunk[2] << 8) | chunk[3];
        const std::uint64_t left = file.size() - at - 8;
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0)
            total += std::min(length, left);
        if (std::memcmp(chunk + 4, "IEND", 4) == 0 || length + 4 > left)
            break;
        at += static_cast<std::size_t>(length) + 12;
    }
    return total;
}

// Deflate gives at most 1032 bytes for one it reads (a 258-byte match in two
// bits), so a file whose image data could not inflate to its stated rows ends
// early: it is refused before the rows are allocated.
constexpr std::uint64_t kDeflateMostRatio = 1032;

// The reason to refuse a stated size before decoding, or null; the text is
// made here so that no C++ object lives in the frame libpng may jump out of.
const char* sizeRefusal(PngStream& stream, png_uint_32 width, png_uint_32 height, int depth,
                        std::size_t fileRowBytes) {
    const std::string budget = ImageBudget::refusal(width, height, depth == 16 ? 8 : 4);
    if (!budget.empty()) {
        std::snprintf(stream.refusal, sizeof stream.refusal, "%s", budget.c_str());
        return stream.refusal;
    }
    const std::uint64_t rows = std::uint64_t{fileRowBytes} * height;
    if (compressedImageBytes(*stream.in) * kDeflateMostRatio + kDeflateMostRatio < rows) {
        std::snprintf(stream.refusal, sizeof stream.refusal,
                      "the file ends before the image data of the %u x %u pixels it states",
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
        return stream.refusal;
    }
    return nullptr;
}

// Decoded rows, RGBA at 8 or 16 bits in the machine's byte order.
struct PngPixels {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 8;
    std::vector<std::uint8_t> bytes;
    std::vector<png_bytep> rows;
};

bool readPng(PngStream& stream, PngPixels& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &stream, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_set_read_fn(png, &stream, readBytes);
    png_read_info(png, info);
    pixels.width = png_get_image_width(png, info);
    pixels.height = png_get_image_height(png, info);
    pixels.depth = png_get_bit_depth(png, info) == 16 ? 16 : 8;
    if (pixels.width > 65536 || pixels.height > 65536)
        png_error(png, "the image is too large");
    if (const char* refusal = sizeRefusal(stream, pixels.width, pixels.height, pixels.depth,
                                          png_get_rowbytes(png, info)))
        png_error(png, refusal);
    // Every colour type becomes RGBA: palettes and grey expand, missing alpha
    // is opaque, and 16-bit samples come in the machine's byte order.
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, pixels.depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    if (pixels.depth == 16)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != std::size_t{pixels.width} * 4 * (pixels.depth / 8))
        png_error(png, "unexpected row layout");
    pixels.bytes.resize(rowBytes * pixels.height);
    pixels.rows.resize(pixels.height);
    for (png_uint_32 y = 0; y < pixels.height; ++y) pixels.rows[y] = &pixels.bytes[y * rowBytes];
    png_read_image(png, pixels.rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Level 1 is deflate's run-length strategy over Paeth-filtered rows: Paeth
// leaves mostly small residues on photographs and renders, and run-length
// matching costs a fraction of zlib's searched levels for files only a little
// larger. The other levels keep libpng's own filter choice per row.
void setCompression(png_structp png, int level) {
    if (level <= 0) {
        png_set_compression_level(png, 0);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    } else if (level == 1) {
        png_set_compression_level(png, 1);
        png_set_compression_strategy(png, Z_RLE);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
    } else {
        png_set_compression_level(png, std::min(level, 9));
    }
}

bool writePng(PngStream& stream, PngPixels& pixels, int compression) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &stream, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, &stream, writeBytes, flushBytes);
    setCompression(png, compression);
    // Fewer, larger deflate outputs into the file's bytes.
    png_set_compression_buffer_size(png, 1 << 17);
    png_set_IHDR(png, info, pixels.width, pixels.height, pixels.depth, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (pixels.depth == 16)
        png_set_swap(png);
    png_write_image(png, pixels.rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::uint16_t fileChannel16(float unit) {
    return static_cast<std::uint16_t>(std::lround(std::min(std::max(unit, 0.0f), 1.0f) * 65535));
}

}  // namespace

bool isPng(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

HostWorld decodePng(const std::vector<std::uint8_t>& bytes) {
    PngStream stream;
    stream.in = &bytes;
    PngPixels pixels;
    if (!readPng(stream, pixels))
        throw ImageFileError(stream.message[0] ? stream.message : "not a readable PNG");
    HostWorld image(static_cast<A_long>(pixels.width), static_cast<A_long>(pixels.height),
                    pixels.depth);
    for (A_long y = 0; y < image.height(); ++y) {
        if (pixels.depth == 8) {
            const std::uint8_t* in = pixels.rows[y];
            auto* out = static_cast<PF_Pixel8*>(image.row(y));
            for (A_long x = 0; x < image.width(); ++x, in += 4)
                out[x] = PF_Pixel8{in[3], in[0], in[1], in[2]};
        } else {
            std::vector<std::uint16_t> in(std::size_t{pixels.width} * 4);
            std::memcpy(in.data(), pixels.rows[y], in.size() * 2);
            auto* out = static_cast<PF_Pixel16*>(image.row(y));
            for (A_long x = 0; x < image.width(); ++x) {
                const std::uint16_t* p = &in[std::size_t(x) * 4];
                out[x] = PF_Pixel16{hostFromFile16(p[3]), hostFromFile16(p[0]),
                                    hostFromFile16(p[1]), hostFromFile16(p[2])};
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> encodePng(const HostWorld& image, int compression) {
    PngPixels pixels;
    pixels.width = static_cast<png_uint_32>(image.width());
    pixels.height = static_cast<png_uint_32>(image.height());
    pixels.depth = image.depth() == 8 ? 8 : 16;
    const std::size_t rowBytes = std::size_t{pixels.width} * 4 * (pixels.depth / 8);
    pixels.bytes.resize(rowBytes * pixels.height);
    for (A_long y = 0; y < image.height(); ++y) {
        std::uint8_t* out = &pixels.bytes[y * rowBytes];
        pixels.rows.push_back(out);
        for (A_long x = 0; x < image.width(); ++x) {
            if (image.depth() == 8) {
                const PF_Pixel8 p = static_cast<const PF_Pixel8*>(image.row(y))[x];
                const std::uint8_t rgba[4] = {p.red, p.green, p.blue, p.alpha};
                std::memcpy(out + x * 4, rgba, 4);
                continue;
            }
            std::uint16_t rgba[4];
            if (image.depth() == 16) {
                const PF_Pixel16 p = static_cast<const PF_Pixel16*>(image.row(y))[x];
                rgba[0] = fileFromHost16(p.red), rgba[1] = fileFromHost16(p.green);
                rgba[2] = fileFromHost16(p.blue), rgba[3] = fileFromHost16(p.alpha);
            } else {
                const PF_PixelFloat p = image.get(x, y);
                rgba[0] = fileChannel16(p.red), rgba[1] = fileChannel16(p.green);
                rgba[2] = fileChannel16(p.blue), rgba[3] = fileChannel16(p.alpha);
            }
            std::memcpy(out + x * 8, rgba, 8);
        }
    }
    std::vector<std::uint8_t> file;
    PngStream stream;
    stream.out = &file;
    if (image.empty() || !writePng(stream, pixels, compression))
        throw ImageFileError(stream.message[0] ? stream.message : "cannot encode an empty image");
    return file;
}
