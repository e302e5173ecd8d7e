#pragma once
// The operations through which the command handlers drive the engine.

#include <cstdint>
#include <string>

#include "package/EffectVersion.h"
#include "platform/Win32.h"

class IPlugin {
public:
    virtual ~IPlugin() = default;

    // Global set-up: package, configuration, GL context, GLEW, the script.
    virtual bool initialize(win32::HMODULE module) = 0;

    virtual EffectVersion getVersion() const = 0;
    virtual std::int32_t getFlags() const = 0;
    virtual std::int32_t getFlags2() const = 0;
    // 0: the About text; 2: the AEGP registration name; anything else: empty.
    virtual std::string getConfigString(int index) const = 0;

    // The acquire and release steps of the GL context's lock protocol.
    virtual bool lockGLContext() = 0;
    virtual void unlockGLContext() = 0;
};
