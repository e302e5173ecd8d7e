#include "host/AEQuillshade2.h"

#include "gl/GLContextGuard.h"
#include "gl/GLContextLock.h"
#include "gl/GlewLoader.h"
#include "package/BlobReader.h"

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
    initialized = true;
    guard.release();
    return true;
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

bool AEQuillshade2::lockGLContext() {
    return ::lockGLContext(glContext.get());
}

void AEQuillshade2::unlockGLContext() {
    ::unlockGLContext(glContext.get());
}

AEQuillshade2& plugin() {
    static AEQuillshade2 object;
    return object;
}
