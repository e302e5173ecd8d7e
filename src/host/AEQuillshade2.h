#pragma once
// The plug-in object: owns the engine's process-wide resources (configuration,
// GL context, through the script host the running script) and knows which
// effect instance the current command concerns.

#include <memory>

#include "gl/OpenGLContext.h"
#include "host/IPlugin.h"
#include "host/InstanceRecord.h"
#include "package/ConfigDocument.h"

class AEQuillshade2 : public IPlugin {
public:
    ~AEQuillshade2() override;

    bool initialize(win32::HMODULE module) override;
    bool loadScript() override;
    void shutdown() override;

    InstanceRecord* createInstance() override;
    void destroyInstance(InstanceRecord* record) override;
    void setCurrentInstance(InstanceRecord* record) override;
    // Releases the instance's output render target and input texture, GPU
    // objects and CPU copies, which frames re-create should it render again.
    // Needs the GL context; without it they stay.
    void releaseFrameStorage(const InstanceRecord* record);
    std::pair<std::uint32_t, std::uint32_t> preRender(std::uint32_t width,
                                                      std::uint32_t height) override;
    void draw(double time, std::uint32_t width, std::uint32_t height, std::uint32_t depth) override;
    void updateUIFlags() override;

    std::uint32_t parameterCount() const override;
    const Parameter& getParameter(std::uint32_t index) const override;
    const Parameter& getParameterAt(std::uint32_t index) const override;
    const Parameter& setParameterValue(std::uint32_t index, const void* value) override;

    void uploadImage(std::uint32_t target, const void* pixels, std::uint32_t width,
                     std::uint32_t height, std::uint32_t depth, std::uint64_t rowBytes) override;
    bool readOutput(const OutputRows& consume) override;

    EffectVersion getVersion() const override;
    std::int32_t getFlags() const override;
    std::int32_t getFlags2() const override;
    std::string getConfigString(int index) const override;
    std::string getErrorText() const override;

    bool lockGLContext() override;
    void unlockGLContext() override;

    void setContextExtent(std::uint32_t width, std::uint32_t height, float aspect) override;
    void setInputOrigin(std::int32_t x, std::int32_t y) override;

    // Whether the current instance's output render target still has the
    // frame's size and depth after the script drew; a script may re-specify
    // it (copying a surface into it does), and then its read-back rows are
    // not the frame's.
    bool outputTargetIs(std::uint32_t width, std::uint32_t height, std::uint32_t depth) const;

    InstanceRecord* current() const { return currentRecord; }
    OpenGLContext* openGLContext() const { return glContext.get(); }

private:
    // Selects the current record's Sequence in the render context; false when
    // no record is current, so the operation does nothing.
    bool makeInstanceCurrent() const;

    InstanceRecord* currentRecord = nullptr;
    std::unique_ptr<ConfigDocument> config;
    std::unique_ptr<OpenGLContext> glContext;
    bool initialized = false;
    bool scriptLoaded = false;
};

// The one plug-in object of the process, made on first use; its destructor
// runs at process exit or when the module is unloaded.
AEQuillshade2& plugin();
