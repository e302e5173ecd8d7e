#pragma once
// One OpenGL 2D texture with its size, pixel depth and, when asked for, a CPU
// copy of the last pixels uploaded. Every texture presents its texels to
// shaders in the host's channel order (alpha, red, green, blue in r, g, b, a):
// host pixels are uploaded as they are, decoded image files (red, green,
// blue, alpha) get a texture swizzle instead.
//
// All operations issue GL calls and run with the GL context held. An entity
// whose `texture` is 0 (the registry's null entity among them) does no GL work.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"
#include "entities/PixelBudget.h"

class Texture {
public:
    class Factory;

    Texture() = default;
    // Deletes the GL texture when there is one.
    virtual ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Drops any GL objects (through deleteObjects, so a render target loses its
    // framebuffer too), makes a new texture with undefined contents at the given
    // size and depth, and leaves rowBytes 0. Always true.
    virtual bool init(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                      bool hostOrder);
    // Deletes the GL texture when there is one and forgets its name.
    virtual void deleteObjects();

    // (Re)specifies level 0 from `data` (may be null: contents undefined), rows
    // rowBytes apart. While size and depth stay, the storage is kept: data
    // replaces its texels and null data leaves them as they were. Resets
    // filtering to linear and wrapping to repeat, and sets the swizzle:
    // identity for host-order data, (A, R, G, B) otherwise. With convert16 at
    // depth 16 the host's 0..32768 values are mapped onto 0..65534 first. The
    // CPU copy of the data as uploaded (after the mapping) is made from the
    // texture when cpuCopy() is next called; an upload without data drops the
    // copy, so that the copy always matches the texture's current size. A
    // depth below 8 has no pixel size and is refused: nothing changes. A size
    // beyond GL_MAX_TEXTURE_SIZE or the pixel budget is refused too, leaving
    // the texture unusable.
    void upload(const void* data, std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                std::uint64_t rowBytes, bool hostOrder, bool convert16);

    // Uploads a CPU surface's pixels in host order without 16-bit mapping; with
    // flip the rows go in reverse order. Null pixels specify the size only.
    void uploadSurface(const void* pixels, std::uint32_t width, std::uint32_t height,
                       std::uint32_t depth, std::uint64_t rowBytes, bool flip);

    // glTexParameteri on this texture, with OpenGL's own enumerants.
    void setParameter(std::uint32_t name, std::int32_t value);

    // Reads an image file (package first, then file system) and uploads it:
    // Radiance HDR as float (depth 32), anything else as 8 bits, four channels,
    // decoded rows from t = 0 upwards. False, with no GL texture made, when the
    // file is missing, empty or undecodable.
    bool loadImage(const std::string& fileName);

    std::string name;
    std::uint32_t texture = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;
    std::uint64_t rowBytes = 0;
    bool hostOrder = false;
    // The CPU copy of the last data uploaded, rows rowBytes apart, read back
    // from the texture on the first call after the upload. Surfaces may alias
    // it and write into it, so it is shared: a later copy replaces the vector
    // instead of overwriting it while an alias still holds it, so the alias
    // keeps the bytes it was made from and never sees freed memory. Null until
    // data is uploaded, and after an upload without data. Issues GL calls.
    const std::shared_ptr<std::vector<std::uint8_t>>& cpuCopy();

    // The pixel memory this texture holds: its GPU storage and CPU copy.
    PixelBudget::Charge pixelCharge;

protected:
    // Bytes of rows that a transfer converting or rearranging them passes
    // through at a time: well within a core's cache.
    static constexpr std::size_t kBandBytes = 256 * 1024;

private:
    // Charges the storage an upload of this size needs; when the context
    // cannot hold the size or the budget has no room, the texture is left
    // unusable (no GL objects, no copy) and the result is false.
    // `copyRowBytes` is the row length of the CPU copy, 0 for none.
    bool admit(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
               std::uint64_t copyRowBytes);

    // The CPU copy resized to `size` bytes: reused when nothing else holds it
    // and its size already fits, else a fresh vector.
    std::uint8_t* replaceCopy(std::size_t size);

    // Maps host 16-bit rows onto the texture's floats, band by band, into
    // storage already specified at this size.
    void uploadHost16(const std::uint8_t* data, std::uint32_t width, std::uint32_t height,
                      std::uint64_t rowBytes);
    // Reads the texture back into the CPU copy at its rows' distance.
    void takeCopy();

    std::shared_ptr<std::vector<std::uint8_t>> pixels_;
    // Data was uploaded since the copy was last taken.
    bool copyPending_ = false;
    // The internal format level 0 was last specified with; 0 while there is
    // no storage.
    std::uint32_t storageFormat_ = 0;
};

class Texture::Factory : public EntityFactory<Texture, EntityHandle::TextureBase> {};
