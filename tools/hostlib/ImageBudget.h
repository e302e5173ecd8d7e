#pragma once
// How much memory one decoded image or video frame may take in the tool. A
// file states its size in a few header bytes, long before its pixels arrive,
// so every reader checks the stated size here before it allocates: a file
// that states more than the limit is refused at once, whatever follows.
//
// The limit counts the pixels in the host's layout (four channels at the
// image's depth). It defaults to the engine's pixel budget, 2 GiB, and the
// user lowers or raises it with the environment variable
// QUILLSHADE_IMAGE_MEMORY_MB (whole MiB from 1), which worker processes
// inherit.

#include <cstdint>
#include <string>

class ImageBudget {
public:
    static constexpr std::uint64_t kDefaultBytes = std::uint64_t{2} << 30;
    static constexpr const char* kVariable = "QUILLSHADE_IMAGE_MEMORY_MB";

    // The limit in bytes, read from the environment on every call so that a
    // test or a worker can set it; empty `error` when the variable is unset.
    static std::uint64_t limit(std::string& error);

    // Why a width × height image of `bytesPerPixel` cannot be decoded, or an
    // empty text when it fits the limit.
    static std::string refusal(std::uint64_t width, std::uint64_t height,
                               std::uint32_t bytesPerPixel);
};
