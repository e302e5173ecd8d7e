#pragma once
// The process-wide account of pixel memory held by entities: GPU storage of
// textures and render targets and the CPU copies of their pixels and of
// surfaces. The module shares the host's address space and its GPU, so an
// effect that asks for more than the budget, or for a size the GL context
// cannot hold, is refused before any memory is taken or GL sees the size.
//
// A Charge is one entity's share: it grows only when the budget has room and
// gives its bytes back when reset or destroyed. The account is atomic so that
// entities may be made and dropped on any thread.

#include <atomic>
#include <cstdint>

class PixelBudget {
public:
    // 2 GiB: a few dozen full-HD float targets, far from what a host machine
    // can give an effect without starving the application it runs in.
    static constexpr std::uint64_t kDefaultBytes = std::uint64_t{2} << 30;

    class Charge {
    public:
        Charge() = default;
        ~Charge() { reset(); }
        Charge(const Charge&) = delete;
        Charge& operator=(const Charge&) = delete;

        // Takes `bytes` in place of the current share; false, keeping the
        // current share, when the other holders plus `bytes` pass the limit.
        bool resize(std::uint64_t bytes);
        void reset();
        std::uint64_t bytes() const { return bytes_; }

    private:
        std::uint64_t bytes_ = 0;
    };

    // Lowers (or, back to the default, restores) the limit for later
    // requests; memory already held stays held.
    static void setLimit(std::uint64_t bytes);
    static std::uint64_t limit();
    static std::uint64_t inUse();

    // Whether a width × height image fits a GL texture of the current
    // context (neither side above GL_MAX_TEXTURE_SIZE) and `bytesPerPixel`
    // × its pixel count fits the budget on its own. An image with a side of
    // 0 fits: it holds nothing.
    static bool extentFits(std::uint32_t width, std::uint32_t height, std::uint32_t bytesPerPixel);

    // GL_MAX_TEXTURE_SIZE of the current context, read once; 0 without one.
    static std::uint32_t maxTextureSize();

private:
    static std::atomic<std::uint64_t> inUse_;
    static std::atomic<std::uint64_t> limit_;
};
