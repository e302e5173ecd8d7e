#include "entities/Context.h"

#include <algorithm>
#include <cstdlib>

#include "entities/EntityHandle.h"
#include "entities/PixelBudget.h"
#include "gl/PixelDepth.h"
#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "gl/Texture.h"
#include "surfaces/Surface.h"

namespace {

// Multibyte to wide in the runtime's current locale. A text that is not valid
// there is widened byte by byte, so that it still names something.
std::wstring widen(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const std::size_t length = std::mbstowcs(&wide[0], text.c_str(), wide.size());
    if (length == static_cast<std::size_t>(-1)) {
        wide.clear();
        for (const char byte : text) wide.push_back(static_cast<unsigned char>(byte));
        return wide;
    }
    wide.resize(length);
    return wide;
}

// Wide to multibyte in the current locale; characters it cannot encode make
// the text fall back to the low byte of each character.
std::string narrow(const std::wstring& text) {
    const std::size_t length = std::wcstombs(nullptr, text.c_str(), 0);
    if (length == static_cast<std::size_t>(-1)) {
        std::string bytes;
        for (const wchar_t character : text) bytes.push_back(static_cast<char>(character));
        return bytes;
    }
    std::string bytes(length + 1, '\0');
    std::wcstombs(&bytes[0], text.c_str(), bytes.size());
    bytes.resize(length);
    return bytes;
}

// The surface's pixels as an upload may read them: GL reads whole pixels of
// the depth's transfer type, so rows shorter than that many pixels (a surface
// whose row length does not fit its depth) give nothing to read, as does a
// surface without pixels.
const std::uint8_t* uploadablePixels(const Surface& surface) {
    const std::uint64_t pixelBytes = 4 * PixelDepth::bytesPerChannel(surface.depth);
    if (surface.rowBytes < surface.width * pixelBytes)
        return nullptr;
    return surface.pixelAddress();
}

// Ends a read-back on every way out, so the pack buffer never stays mapped.
class MappedReadBack {
public:
    explicit MappedReadBack(RenderTarget& target) : pixels(target.readPixels()) {}
    ~MappedReadBack() {
        if (pixels != nullptr)
            RenderTarget::releasePixels();
    }
    MappedReadBack(const MappedReadBack&) = delete;
    MappedReadBack& operator=(const MappedReadBack&) = delete;

    const std::uint8_t* const pixels;
};

// A creation whose size was refused: the entity, unusable, goes again and
// the caller gets no handle.
std::uint32_t refuse(std::uint32_t handle) {
    Context::instance().release(handle);
    return 0;
}

}  // namespace

template <typename Registry>
Registry* Context::registry(std::uint32_t base) const {
    const auto found = factories.find(base);
    return found != factories.end() ? static_cast<Registry*>(found->second.get()) : nullptr;
}

Context::~Context() {
    reset();
}

std::uint32_t Context::count() const {
    const auto* parameters = registry<Parameter::Factory>(EntityHandle::ParameterBase);
    return parameters != nullptr ? parameters->count() : 0;
}

const Parameter& Context::at(std::uint32_t position) const {
    const auto* parameters = registry<Parameter::Factory>(EntityHandle::ParameterBase);
    return parameters != nullptr ? parameters->at(position) : emptyParameter;
}

void Context::initialise() {
    reset();
    factories[EntityHandle::ParameterBase] = std::make_unique<Parameter::Factory>();
    factories[EntityHandle::RenderTargetBase] = std::make_unique<RenderTarget::Factory>();
    factories[EntityHandle::TextureBase] = std::make_unique<Texture::Factory>();
    factories[EntityHandle::ShaderBase] = std::make_unique<Shader::Factory>();
    factories[EntityHandle::SurfaceBase] = std::make_unique<Surface::Factory>();
    currentInstance = 0;
    Sequence& first = *instances[addInstance()];
    first.sequenceRenderTarget = 0;
    first.sequenceTexture = 0;
    first.time = 0;
    initialised = true;
}

void Context::reset() {
    if (!initialised)
        return;
    instances.clear();
    factories.clear();
    initialised = false;
}

std::uint32_t Context::addInstance() {
    auto sequence = std::make_unique<Sequence>(this);
    sequence->assign(*this);
    for (std::size_t slot = 0; slot < instances.size(); ++slot) {
        if (!instances[slot]) {
            instances[slot] = std::move(sequence);
            return static_cast<std::uint32_t>(slot);
        }
    }
    instances.push_back(std::move(sequence));
    return static_cast<std::uint32_t>(instances.size() - 1);
}

void Context::removeInstance(std::uint32_t index) {
    if (index < instances.size())
        instances[index].reset();
}

std::uint32_t Context::create(std::uint32_t kind) {
    const auto found = factories.find(EntityHandle::kindOf(kind));
    return found != factories.end() ? found->second->create() : 0;
}

void Context::release(std::uint32_t handle) {
    const auto found = factories.find(EntityHandle::kindOf(handle));
    if (found != factories.end())
        found->second->release(handle);
}

std::uint32_t Context::createShader(const std::string& first, const std::string& second) {
    const auto* shaders = registry<Shader::Factory>(EntityHandle::ShaderBase);
    if (shaders == nullptr || shaders->count() >= kMaximumShaders)
        return 0;
    const std::uint32_t handle = create(EntityHandle::ShaderBase);
    if (handle == 0)
        return 0;
    Shader& shader = getShader(handle);
    const std::wstring name = widen(first);
    shader.create();
    shader.name = name;
    if (!second.empty())
        shader.compile(second);
    else
        shader.load(L"\\" + name + L".frag");
    return handle;
}

std::uint32_t Context::createRenderTarget(std::uint32_t width, std::uint32_t height,
                                          std::uint32_t depth) {
    const std::uint32_t handle = create(EntityHandle::RenderTargetBase);
    if (handle != 0 && !getRenderTarget(handle).initTarget(width, height, depth))
        return refuse(handle);
    return handle;
}

std::uint32_t Context::createTexture(std::uint32_t width, std::uint32_t height,
                                     std::uint32_t depth) {
    const std::uint32_t handle = create(EntityHandle::TextureBase);
    if (handle != 0) {
        getTexture(handle).init(width, height, depth, true);
        if (getTexture(handle).texture == 0)
            return refuse(handle);
    }
    return handle;
}

std::uint32_t Context::createTextureFromImage(const std::string& name) {
    const std::uint32_t handle = create(EntityHandle::TextureBase);
    if (handle != 0)
        getTexture(handle).loadImage(name);
    return handle;
}

std::uint32_t Context::createSurface(std::uint32_t width, std::uint32_t height,
                                     std::uint32_t depth) {
    // A surface holds no pixels yet, but every use of it takes its size to
    // the GPU or into memory: a size that could never be used is refused now.
    if (!PixelBudget::extentFits(width, height, std::max<std::uint32_t>(depth / 2, 1)))
        return 0;
    const std::uint32_t handle = create(EntityHandle::SurfaceBase);
    if (handle != 0)
        getSurface(handle).init(width, height, depth, 1);
    return handle;
}

std::uint32_t Context::surfaceFromTexture(Texture& texture) {
    const std::uint32_t handle = createSurface(2, 2, 8);
    if (handle != 0 && !getSurface(handle).alias(texture.cpuCopy(), texture.width, texture.height,
                                                 texture.depth, texture.rowBytes))
        return refuse(handle);
    return handle;
}

std::uint32_t Context::surfaceFromRenderTarget(RenderTarget& target) {
    const std::uint32_t handle = createSurface(2, 2, 8);
    if (handle == 0)
        return 0;
    const MappedReadBack readBack(target);
    if (!getSurface(handle).copyPixels(readBack.pixels, target.width, target.height, target.depth,
                                       std::uint64_t{target.depth} * target.width * 4 / 8))
        return refuse(handle);
    return handle;
}

std::uint32_t Context::surfaceToTexture(std::uint32_t surface) {
    if (EntityHandle::kindOf(surface) != EntityHandle::SurfaceBase)
        return 0;
    const std::uint32_t handle = createTexture(2, 2, 8);
    const Surface& source = getSurface(surface);
    // An empty surface leaves the new texture as it was made.
    if (handle != 0 && !source.empty()) {
        Texture& texture = getTexture(handle);
        texture.uploadSurface(uploadablePixels(source), source.width, source.height, source.depth,
                              source.rowBytes, false);
        if (texture.texture == 0)
            return refuse(handle);
    }
    return handle;
}

bool Context::copySurfaceToTexture(std::uint32_t surface, std::uint32_t target, bool flip) {
    if (EntityHandle::kindOf(surface) != EntityHandle::SurfaceBase)
        return false;
    const Surface& source = getSurface(surface);
    if (source.empty())
        return false;
    Texture* destination = nullptr;
    switch (EntityHandle::kindOf(target)) {
        case EntityHandle::RenderTargetBase: {
            RenderTarget& renderTarget = getRenderTarget(target);
            if (renderTarget.framebuffer != 0)
                destination = &renderTarget;
            break;
        }
        case EntityHandle::TextureBase:
            destination = &getTexture(target);
            break;
        default:
            break;
    }
    if (destination == nullptr || destination->texture == 0)
        return false;
    destination->uploadSurface(uploadablePixels(source), source.width, source.height, source.depth,
                               source.rowBytes, flip);
    // A size the destination could not take left it unusable.
    return destination->texture != 0;
}

std::uint32_t Context::createParameter(const std::string& name, std::uint32_t kind,
                                       const std::string& label) {
    auto* parameters = registry<Parameter::Factory>(EntityHandle::ParameterBase);
    if (parameters == nullptr)
        return 0;
    const std::uint32_t handle = parameters->create();
    Parameter& parameter = parameters->lookup(handle);
    parameter.initialise(name, kind, label);
    if (kind == QS_Type::LAYER)
        parameter.texture = createTexture(2, 2, 8);
    parameter.id = handle;
    return handle;
}

Shader& Context::getShader(std::uint32_t handle) {
    auto* shaders = registry<Shader::Factory>(EntityHandle::ShaderBase);
    return shaders != nullptr ? shaders->lookup(handle) : nullEntity<Shader>();
}

RenderTarget& Context::getRenderTarget(std::uint32_t handle) {
    auto* targets = registry<RenderTarget::Factory>(EntityHandle::RenderTargetBase);
    return targets != nullptr ? targets->lookup(handle) : nullEntity<RenderTarget>();
}

Texture& Context::getTexture(std::uint32_t handle) {
    auto* textures = registry<Texture::Factory>(EntityHandle::TextureBase);
    return textures != nullptr ? textures->lookup(handle) : nullEntity<Texture>();
}

Surface& Context::getSurface(std::uint32_t handle) {
    auto* surfaces = registry<Surface::Factory>(EntityHandle::SurfaceBase);
    return surfaces != nullptr ? surfaces->lookup(handle) : nullEntity<Surface>();
}

Parameter& Context::getParameter(std::uint32_t handle) {
    if (Sequence* sequence = currentSequence()) {
        Parameter& copy = sequence->find(handle);
        if (copy.id != 0)
            return copy;
    }
    auto* parameters = registry<Parameter::Factory>(EntityHandle::ParameterBase);
    return parameters != nullptr ? parameters->lookup(handle) : emptyParameter;
}

std::string Context::shaderErrors() const {
    std::string text;
    const auto* shaders = registry<Shader::Factory>(EntityHandle::ShaderBase);
    if (shaders == nullptr)
        return text;
    for (std::uint32_t position = 0; position < shaders->count(); ++position) {
        const Shader& shader = shaders->at(position);
        if (!shader.errorText.empty())
            text += "Shader \"" + narrow(shader.name) + "\"\n" + shader.errorText + "\n";
    }
    return text;
}

// A stale index (beyond the slots, or of a removed instance, as the host may
// keep across a script restart) designates no instance. Rather than
// re-creating one behind the host's back, every operation on the current
// instance then does nothing.
Sequence* Context::currentSequence() const {
    return currentInstance < instances.size() ? instances[currentInstance].get() : nullptr;
}

void Context::setContextExtent(std::uint32_t width, std::uint32_t height, float aspect) {
    contextWidth = width;
    contextHeight = height;
    pixelAspect = aspect >= 0.01f && aspect <= 4.0f ? aspect : 1.0f;
}

void Context::setInputOrigin(std::int32_t x, std::int32_t y) {
    if (Sequence* sequence = currentSequence()) {
        sequence->inputOriginX = x;
        sequence->inputOriginY = y;
    }
}

void Context::clearOutputExtent() {
    if (Sequence* sequence = currentSequence()) {
        sequence->outputWidth = 0;
        sequence->outputHeight = 0;
    }
}

void Context::prepareOutput(double time, std::uint32_t width, std::uint32_t height,
                            std::uint32_t depth) {
    Sequence* sequence = currentSequence();
    if (sequence == nullptr)
        return;
    sequence->time = time;
    sequence->outputWidth = width;
    sequence->outputHeight = height;
    if (sequence->sequenceRenderTarget == 0)
        sequence->sequenceRenderTarget = createRenderTarget(width, height, depth);
    RenderTarget& target = getRenderTarget(sequence->sequenceRenderTarget);
    if (target.texture != 0 && target.framebuffer != 0) {
        // New storage for the same texture: the framebuffer keeps it attached.
        target.upload(nullptr, width, height, depth, std::uint64_t{width} * 4 * depth / 8, true,
                      false);
        return;
    }
    // The script released it (or it was never made): start a new one.
    sequence->sequenceRenderTarget = createRenderTarget(width, height, depth);
}

void Context::uploadInput(const void* pixels, std::uint32_t width, std::uint32_t height,
                          std::uint32_t depth, std::uint64_t rowBytes) {
    Sequence* sequence = currentSequence();
    if (pixels == nullptr || sequence == nullptr)
        return;
    if (sequence->sequenceTexture == 0)
        sequence->sequenceTexture = createTexture(width, height, depth);
    Texture* texture = &getTexture(sequence->sequenceTexture);
    if (texture->texture == 0) {
        sequence->sequenceTexture = createTexture(width, height, depth);
        texture = &getTexture(sequence->sequenceTexture);
    }
    texture->upload(pixels, width, height, depth, rowBytes, true, true);
}
