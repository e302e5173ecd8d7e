#pragma once
// The natives of the script interface, by subject, and the whole table in
// registration order.

#include <cstddef>

#include "script/NativeFunction.h"

struct NativeTable {
    const NativeFunction* entries;
    size_t count;
};

// QS_initParam to QS_getParamFlags.
NativeTable parameterNatives();
// Render targets, shaders and textures: QS_initRenderTarget to
// QS_setTextureParam.
NativeTable entityNatives();
// CPU surfaces: QS_initSurface to QS_surfaceCopyTo.
NativeTable surfaceNatives();
// QS_getTime to QS_getInputOrigin.
NativeTable frameNatives();

// Every subject's natives, in registration order.
NativeTable scriptNatives();
