#include "script/ScriptNatives.h"

NativeTable scriptNatives() {
    // No native of the script interface is registered yet.
    return {nullptr, 0};
}
