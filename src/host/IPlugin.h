#pragma once
// The operations through which the command handlers drive the engine, in the
// order of the plug-in object's operation table.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "entities/Parameter.h"
#include "host/InstanceRecord.h"
#include "package/EffectVersion.h"
#include "platform/Win32.h"

class IPlugin {
public:
    virtual ~IPlugin() = default;

    // Global set-up: package, configuration, GL context, GLEW, the script.
    virtual bool initialize(win32::HMODULE module) = 0;
    // (Re)starts the effect script with a fresh engine heap and render context.
    virtual bool loadScript() = 0;
    virtual void shutdown() = 0;

    virtual InstanceRecord* createInstance() = 0;
    virtual void destroyInstance(InstanceRecord* record) = 0;
    virtual void setCurrentInstance(InstanceRecord* record) = 0;
    // The output size the script asks for, given the input's.
    virtual std::pair<std::uint32_t, std::uint32_t> preRender(std::uint32_t width,
                                                              std::uint32_t height) = 0;
    virtual void draw(double time, std::uint32_t width, std::uint32_t height,
                      std::uint32_t depth) = 0;
    virtual void updateUIFlags() = 0;

    virtual std::uint32_t parameterCount() const = 0;
    virtual const Parameter& getParameter(std::uint32_t index) const = 0;
    virtual const Parameter& getParameterAt(std::uint32_t index) const = 0;
    virtual const Parameter& setParameterValue(std::uint32_t index, const void* value) = 0;

    // Host pixels into the instance's input texture (target all ones) or into
    // the texture of the LAYER parameter at that position.
    virtual void uploadImage(std::uint32_t target, const void* pixels, std::uint32_t width,
                             std::uint32_t height, std::uint32_t depth, std::uint64_t rowBytes) = 0;
    // Receives the output's rows a band at a time: `count` rows packed at the
    // frame's depth (a 16-bit frame's as floats), the first of them `first`
    // rows above the bottom.
    using OutputRows =
        std::function<void(const std::uint8_t* rows, std::uint32_t first, std::uint32_t count)>;
    // Hands the output target's rows to `consume`, bottom band first. False,
    // handing nothing, when there is nothing to read.
    virtual bool readOutput(const OutputRows& consume) = 0;

    virtual EffectVersion getVersion() const = 0;
    virtual std::int32_t getFlags() const = 0;
    virtual std::int32_t getFlags2() const = 0;
    // 0: the About text; 2: the AEGP registration name; anything else: empty.
    virtual std::string getConfigString(int index) const = 0;
    virtual std::string getErrorText() const = 0;

    // The acquire and release steps of the GL context's lock protocol.
    virtual bool lockGLContext() = 0;
    virtual void unlockGLContext() = 0;

    virtual void setContextExtent(std::uint32_t width, std::uint32_t height, float aspect) = 0;
    virtual void setInputOrigin(std::int32_t x, std::int32_t y) = 0;
};
