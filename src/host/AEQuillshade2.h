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

    EffectVersion getVersion() const override;
    std::int32_t getFlags() const override;
    std::int32_t getFlags2() const override;
    std::string getConfigString(int index) const override;

    bool lockGLContext() override;
    void unlockGLContext() override;

    bool isInitialized() const { return initialized; }

private:
    InstanceRecord* currentRecord = nullptr;
    std::unique_ptr<ConfigDocument> config;
    std::unique_ptr<OpenGLContext> glContext;
    bool initialized = false;
    bool scriptLoaded = false;
};

// The one plug-in object of the process, made on first use; its destructor
// runs at process exit or when the module is unloaded.
AEQuillshade2& plugin();
