#include "gl/RenderTarget.h"

#include <GL/glew.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "entities/PixelBudget.h"
#include "gl/PixelDepth.h"

namespace {

// The fixed name of the pixel-pack buffer used for every read-back. It is
// bound without being generated, which a compatibility context allows.
constexpr GLuint kPackBuffer = 4863;

// The pack buffer's storage is pixel memory like any texture's. Its size
// follows the target's depth, and a depth that is not a pixel format (the
// script passes any integer) asks for depth / 8 bytes a channel: at 8 x 8
// pixels, depth 0x3000001 would take 1.6 GB.
PixelBudget::Charge packCharge;

// Truncation toward zero that stays defined for every float the script can
// pass: NaN becomes 0 and values beyond the int range saturate.
GLint truncateToInt(float value) {
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<float>(INT_MIN))
        return INT_MIN;
    if (value >= static_cast<float>(INT_MAX))
        return INT_MAX;
    return static_cast<GLint>(value);
}

}  // namespace

RenderTarget::~RenderTarget() {
    RenderTarget::deleteObjects();
}

void RenderTarget::deleteObjects() {
    Texture::deleteObjects();
    if (framebuffer != 0) {
        glDeleteFramebuffers(1, &framebuffer);
        framebuffer = 0;
    }
}

bool RenderTarget::initTarget(std::uint32_t width, std::uint32_t height, std::uint32_t depth) {
    // Either name alone is dropped as well, so that no framebuffer is leaked.
    if (framebuffer != 0 || texture != 0)
        deleteObjects();
    init(width, height, depth, true);
    // A size refused by the texture gets no framebuffer either.
    if (texture == 0)
        return false;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return framebuffer != 0 && texture != 0;
}

void RenderTarget::bindAsTarget(const std::array<float, 4>& rect) const {
    if (framebuffer == 0)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (rect[2] > 0 && rect[3] > 0)
        glViewport(truncateToInt(rect[0]), truncateToInt(rect[1]), truncateToInt(rect[2]),
                   truncateToInt(rect[3]));
    else
        glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
}

void RenderTarget::blit(const RenderTarget& source, const RenderTarget& destination, bool flip,
                        bool linear) {
    if (source.framebuffer == 0 || destination.framebuffer == 0)
        return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, destination.framebuffer);
    const auto width = static_cast<GLint>(destination.width);
    const auto height = static_cast<GLint>(destination.height);
    glBlitFramebuffer(0, 0, static_cast<GLint>(source.width), static_cast<GLint>(source.height), 0,
                      flip ? height : 0, width, flip ? 0 : height, GL_COLOR_BUFFER_BIT,
                      linear ? GL_LINEAR : GL_NEAREST);
}

const std::uint8_t* RenderTarget::readPixels(bool sixteenAsFloat) {
    // Below 8 bits no storage was ever specified (see Texture::upload).
    if (framebuffer == 0 || depth < 8)
        return nullptr;
    const std::uint32_t readDepth = sixteenAsFloat && depth == 16 ? 32 : depth;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glBindBuffer(GL_PIXEL_PACK_BUFFER, kPackBuffer);
    // The buffer keeps its storage from frame to frame while the size stays:
    // new storage would be faulted in page by page on every read.
    const auto bytes = static_cast<GLsizeiptr>(PixelDepth::packedBytes(width, height, readDepth));
    GLint64 size = -1;
    glGetBufferParameteri64v(GL_PIXEL_PACK_BUFFER, GL_BUFFER_SIZE, &size);
    if (size != bytes) {
        if (!packCharge.resize(static_cast<std::uint64_t>(bytes))) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
            return nullptr;
        }
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                 PixelDepth::transferType(readDepth), nullptr);
    return static_cast<const std::uint8_t*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
}

void RenderTarget::releasePixels() {
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

bool RenderTarget::readBands(const BandConsumer& consume) {
    if (framebuffer == 0 || depth < 8)
        return false;
    const std::uint32_t readDepth = depth == 16 ? 32 : depth;
    const std::uint64_t rowBytes = PixelDepth::packedBytes(width, 1, readDepth);
    const auto bandRows = static_cast<std::uint32_t>(std::max<std::uint64_t>(
        1, std::min<std::uint64_t>(kBandBytes / std::max<std::uint64_t>(rowBytes, 1), height)));
    static thread_local std::vector<std::uint8_t> band;
    band.resize(static_cast<std::size_t>(rowBytes * bandRows));
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    for (std::uint32_t first = 0; first < height; first += bandRows) {
        const std::uint32_t rows = std::min(bandRows, height - first);
        glReadPixels(0, static_cast<GLint>(first), static_cast<GLsizei>(width),
                     static_cast<GLsizei>(rows), GL_RGBA, PixelDepth::transferType(readDepth),
                     band.data());
        consume(band.data(), first, rows);
    }
    return true;
}
