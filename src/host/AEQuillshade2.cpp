#include "host/AEQuillshade2.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "entities/Context.h"
#include "entities/PixelBudget.h"
#include "gl/GLContextGuard.h"
#include "gl/GLContextLock.h"
#include "gl/GlewLoader.h"
#include "gl/RenderTarget.h"
#include "gl/Texture.h"
#include "host/AuthorShaderErrors.h"
#include "host/ErrorDisplay.h"
#include "host/FrameStatistics.h"
#include "host/GpuPassTimes.h"
#include "package/BlobReader.h"
#include "package/FileReads.h"
#include "script/ScriptText.h"
#include "script/Scripting.h"

namespace {

// Draw calls over all instances; every fifth swaps the hidden window's buffers.
std::uint32_t drawCounter = 0;

constexpr std::uint32_t kInputTarget = 0xFFFFFFFFu;

}  // namespace

AEQuillshade2::~AEQuillshade2() {
    if (glContext)
        registerGLContext(nullptr);
}

bool AEQuillshade2::initialize(win32::HMODULE module) {
    using namespace win32;  // Win32's constants are macros on Windows
    BlobReader::instance().load(module);
    config = std::make_unique<ConfigDocument>();

    if (glContext)
        registerGLContext(nullptr);
    glContext = std::make_unique<OpenGLContext>();
    glContext->mutex = win32::CreateMutexW(nullptr, FALSE, nullptr);
    registerGLContext(glContext.get());
    if (glContext->create() != 0)
        return false;

    GLContextGuard guard(lockGLContext());
    initialiseGlew();
    loadScript();
    initialized = true;
    guard.release();
    return true;
}

bool AEQuillshade2::loadScript() {
    const std::string text = buildScriptText(readFileText(L"fx.js"));
    GLContextGuard guard(lockGLContext());
    Scripting& scripting = Scripting::instance();
    // Ends the previous script's heap and, with it, every entity and instance.
    scripting.shutdown();
    // The context may be a new one, which knows none of the old query names.
    GpuPassTimes::instance().forgetQueries();
    // An effect may lengthen (or shorten) the bound after which a runaway
    // evaluation is ended; 0 or a missing key keeps the engine's default.
    if (config) {
        const std::int32_t limit = config->getInt(L"SCRIPT_TIME_LIMIT_MS");
        if (limit > 0)
            scripting.setTimeLimit(std::chrono::milliseconds(limit));
        // The script heap and the pixel memory its entities may hold can
        // only be lowered.
        const std::int32_t heapMegabytes = config->getInt(L"SCRIPT_MEMORY_LIMIT_MB");
        scripting.setHeapLimit(
            heapMegabytes > 0 ? std::min(size_t(heapMegabytes) << 20, HeapGuard::kDefaultByteLimit)
                              : HeapGuard::kDefaultByteLimit);
        const std::int32_t megabytes = config->getInt(L"PIXEL_MEMORY_LIMIT_MB");
        if (megabytes > 0)
            PixelBudget::setLimit(
                std::min(std::uint64_t(megabytes) << 20, PixelBudget::kDefaultBytes));
    }
    scripting.init();
    scripting.eval(text.c_str());
    scriptLoaded = true;
    Context& context = Context::instance();
    if (Sequence* sequence = context.currentSequence())
        sequence->assign(context);
    guard.release();
    return true;
}

void AEQuillshade2::shutdown() {
    if (!initialized)
        return;
    Scripting::instance().shutdown();
    GpuPassTimes::instance().forgetQueries();
    glContext->destroy();
    initialized = false;
    scriptLoaded = false;
}

bool AEQuillshade2::makeInstanceCurrent() const {
    if (!currentRecord)
        return false;
    Context::instance().setCurrentInstance(currentRecord->instanceIndex);
    return true;
}

InstanceRecord* AEQuillshade2::createInstance() {
    auto* record = new InstanceRecord{};
    currentRecord = record;
    record->instanceIndex = Context::instance().addInstance();
    return record;
}

void AEQuillshade2::releaseFrameStorage(const InstanceRecord* record) {
    Context& context = Context::instance();
    const std::uint32_t index = record->instanceIndex;
    if (index >= context.instances.size() || !context.instances[index])
        return;
    Sequence& sequence = *context.instances[index];
    GLContextGuard guard(lockGLContext());
    if (guard.isLocked()) {
        context.release(sequence.sequenceRenderTarget);
        context.release(sequence.sequenceTexture);
        // Handle 0 makes the next frame create them afresh.
        sequence.sequenceRenderTarget = 0;
        sequence.sequenceTexture = 0;
    }
    guard.release();
}

void AEQuillshade2::destroyInstance(InstanceRecord* record) {
    if (!record)
        return;
    // The instance's output render target and input texture belong to it
    // alone; without their release every instance the host removes would
    // leave a frame's worth of GPU and CPU memory in the registries.
    releaseFrameStorage(record);
    Context::instance().removeInstance(record->instanceIndex);
    // The record is gone; a later command must not reach it as current.
    if (currentRecord == record)
        currentRecord = nullptr;
    delete record;
}

void AEQuillshade2::setCurrentInstance(InstanceRecord* record) {
    currentRecord = record;
    makeInstanceCurrent();
}

std::pair<std::uint32_t, std::uint32_t> AEQuillshade2::preRender(std::uint32_t width,
                                                                 std::uint32_t height) {
    if (!makeInstanceCurrent())
        return {width, height};
    Context& context = Context::instance();
    context.clearOutputExtent();
    if (scriptLoaded) {
        char call[64];
        std::snprintf(call, sizeof call, "preRender(%d,%d,%d);", static_cast<int>(width),
                      static_cast<int>(height), 1);
        const FrameStatistics::Timer timer(FramePhase::Script);
        Scripting::instance().eval(call);
    }
    const Sequence* sequence = context.currentSequence();
    if (!sequence)
        return {width, height};
    return {sequence->outputWidth ? sequence->outputWidth : width,
            sequence->outputHeight ? sequence->outputHeight : height};
}

void AEQuillshade2::draw(double time, std::uint32_t width, std::uint32_t height,
                         std::uint32_t depth) {
    if (!makeInstanceCurrent())
        return;
    // Passes that no read-back followed are done by now.
    GpuPassTimes::instance().collect();
    Context& context = Context::instance();
    context.prepareOutput(time, width, height, depth);
    const std::string errors = context.shaderErrors();
    if (!errors.empty()) {
        if (const Sequence* sequence = context.currentSequence()) {
            drawErrorText(context.getRenderTarget(sequence->sequenceRenderTarget),
                          authorShaderErrors());
        }
    } else if (scriptLoaded) {
        const FrameStatistics::Timer timer(FramePhase::Script);
        Scripting::instance().eval("draw();");
    }
    if (++drawCounter > 4) {
        win32::SwapBuffers(glContext->deviceContext);
        drawCounter = 0;
    }
    // Collecting statistics, the GL work queued for the frame is waited for
    // here, so that it counts as the GPU's time and not as the read-back's.
    FrameStatistics::finishGpuWork();
}

void AEQuillshade2::updateUIFlags() {
    if (makeInstanceCurrent() && scriptLoaded)
        Scripting::instance().eval("updateUIFlags();");
}

std::uint32_t AEQuillshade2::parameterCount() const {
    return Context::instance().count();
}

const Parameter& AEQuillshade2::getParameter(std::uint32_t index) const {
    Context& context = Context::instance();
    return context.getParameter(context.at(index).id);
}

const Parameter& AEQuillshade2::getParameterAt(std::uint32_t index) const {
    return getParameter(index);
}

const Parameter& AEQuillshade2::setParameterValue(std::uint32_t index, const void* value) {
    Context& context = Context::instance();
    if (!makeInstanceCurrent())
        return emptyParameter;
    Parameter& parameter = context.getParameter(context.at(index).id);
    if (parameter.id != 0 && parameter.kind != QS_Type::LAYER) {
        std::memcpy(parameter.value, value, sizeof parameter.value);
    }
    return parameter;
}

void AEQuillshade2::uploadImage(std::uint32_t target, const void* pixels, std::uint32_t width,
                                std::uint32_t height, std::uint32_t depth, std::uint64_t rowBytes) {
    if (!pixels || rowBytes == 0 || !makeInstanceCurrent())
        return;
    Context& context = Context::instance();
    if (target == kInputTarget) {
        context.uploadInput(pixels, width, height, depth, rowBytes);
        return;
    }
    Parameter& parameter = context.getParameter(context.at(target).id);
    if (parameter.id == 0 || parameter.kind != QS_Type::LAYER)
        return;
    Texture& texture = context.getTexture(parameter.texture);
    if (texture.texture == 0)
        return;
    texture.upload(pixels, width, height, depth, rowBytes, true, true);
    parameter.setIntValue(static_cast<std::int32_t>(texture.texture));
}

bool AEQuillshade2::readOutput(const OutputRows& consume) {
    const FrameStatistics::Timer timer(FramePhase::ReadBack);
    Context& context = Context::instance();
    const Sequence* sequence = context.currentSequence();
    if (!sequence)
        return false;
    RenderTarget& target = context.getRenderTarget(sequence->sequenceRenderTarget);
    const bool read = target.texture != 0 && target.readBands(consume);
    // The read-back waited for the frame's passes: their times are known.
    GpuPassTimes::instance().collect();
    return read;
}

bool AEQuillshade2::outputTargetIs(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t depth) const {
    Context& context = Context::instance();
    const Sequence* sequence = context.currentSequence();
    if (!sequence)
        return false;
    const RenderTarget& target = context.getRenderTarget(sequence->sequenceRenderTarget);
    return target.width == width && target.height == height && target.depth == depth;
}

EffectVersion AEQuillshade2::getVersion() const {
    if (!config)
        return EffectVersion{};
    return config->getVersion();
}

std::int32_t AEQuillshade2::getFlags() const {
    return config ? config->getInt(L"FLAGS") : 0;
}

std::int32_t AEQuillshade2::getFlags2() const {
    return config ? config->getInt(L"FLAGS2") : 0;
}

std::string AEQuillshade2::getConfigString(int index) const {
    if (!config)
        return {};
    switch (index) {
        case 0:
            return config->get(L"ABOUT");
        case 2:
            return config->get(L"AGEP_ID");
        default:
            return {};
    }
}

std::string AEQuillshade2::getErrorText() const {
    return Context::instance().shaderErrors();
}

bool AEQuillshade2::lockGLContext() {
    return ::lockGLContext(glContext.get());
}

void AEQuillshade2::unlockGLContext() {
    ::unlockGLContext(glContext.get());
}

void AEQuillshade2::setContextExtent(std::uint32_t width, std::uint32_t height, float aspect) {
    Context::instance().setContextExtent(width, height, aspect);
}

void AEQuillshade2::setInputOrigin(std::int32_t x, std::int32_t y) {
    if (makeInstanceCurrent())
        Context::instance().setInputOrigin(x, y);
}

AEQuillshade2& plugin() {
    static AEQuillshade2 object;
    return object;
}
