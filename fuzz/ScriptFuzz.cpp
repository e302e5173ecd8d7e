// Hostile effect scripts: the input picks calls of the script interface's
// natives and, for each argument, a value from a table of the values that
// have hurt before (wrong types, NaN and infinities, huge and negative sizes,
// handles of every kind, stale handles, and objects whose conversion releases
// handles or throws). The calls run in setup() and again in one draw() on the
// real GL context, as the plug-in runs them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "entities/Context.h"
#include "entities/PixelBudget.h"
#include "gl/GLContextLock.h"
#include "gl/GlewLoader.h"
#include "gl/OpenGLContext.h"
#include "script/ScriptText.h"
#include "script/Scripting.h"

namespace {

const char* const kNatives[] = {
    "QS_initRenderTarget",   "QS_blitRenderTarget",  "QS_getSurfaceDim",   "QS_getSequenceRT",
    "QS_getSequenceTexture", "QS_initShader",        "QS_setShaderParam",  "QS_getShaderParamType",
    "QS_renderShader",       "QS_setShaderParamVal", "QS_getShaderError",  "QS_initTexture",
    "QS_setTextureParam",    "QS_getTime",           "QS_release",         "QS_setOutputExtent",
    "QS_getContextExtent",   "QS_getInputOrigin",    "QS_initParam",       "QS_getParamValue",
    "QS_setParamValue",      "QS_setParamMinMax",    "QS_setParamChoices", "QS_setParamPrecision",
    "QS_setParamEnabled",    "QS_setParamFlags",     "QS_getParamFlags",   "QS_initSurface",
    "QS_textureToSurface",   "QS_surfaceToTexture",  "QS_surfaceQuantize", "QS_surfaceCopyTo"};

// R holds every result so far: earlier handles, released or not, come back
// as arguments.
const char* const kValues[] = {
    "0",
    "1",
    "-1",
    "2",
    "3",
    "8",
    "16",
    "32",
    "15",
    "NaN",
    "Infinity",
    "-Infinity",
    "1e8",
    "33554432",
    "4096",
    "-2147483648",
    "4294967295",
    "0.5",
    "0x1000001",
    "0x2000001",
    "0x3000001",
    "0x4000001",
    "0x6000001",
    "0x5000001",
    "0x7000001",
    "'x'",
    "''",
    "'gain'",
    "'source'",
    "null",
    "undefined",
    "true",
    "{}",
    "[]",
    "[1, 2, 3, 4]",
    "[NaN, Infinity, -1, 1e9]",
    "[0.5, 0.5]",
    "R[R.length - 1]",
    "R[R.length - 2]",
    "R[0]",
    "R[R.length >> 1]",
    "{valueOf: function () { QS_release(R[R.length - 1]); return 4; }}",
    "{valueOf: function () { throw new Error('valueOf'); }}",
    "{toString: function () { QS_release(R[R.length - 1]); return 'gain'; }}",
    "(function () { var a = [0, 0, 0, 0]; Object.defineProperty(a, 0, {get: function () {"
    " QS_release(R[R.length - 1]); return 1; }}); return a; })()",
    "{get length() { throw 1; }}",
    "'void main() { gl_FragColor = vec4(1.0); }'",
    "'uniform float gain; uniform sampler2D source; void main() {"
    " gl_FragColor = texture2D(source, vec2(gain)); }'",
    "'1,2,3'",
    "'swatch'"};

constexpr std::size_t kMostCalls = 48;

std::string callsFrom(const std::uint8_t* data, std::size_t size) {
    std::string calls;
    std::size_t at = 0;
    for (std::size_t n = 0; n < kMostCalls && at + 2 <= size; ++n) {
        const char* native = kNatives[data[at] % std::size(kNatives)];
        std::size_t arguments = data[at + 1] % 7;
        at += 2;
        calls += "try { R.push(";
        calls += native;
        calls += "(";
        for (std::size_t i = 0; i < arguments && at < size; ++i, ++at) {
            if (i != 0)
                calls += ", ";
            calls += kValues[data[at] % std::size(kValues)];
        }
        calls += ")); } catch (e) {}\n";
    }
    return calls;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static OpenGLContext context;
    context.mutex = win32::CreateMutexW(nullptr, 0, nullptr);
    context.create();
    registerGLContext(&context);
    initialiseGlew();
    // Small enough that refusals happen often and no run spends its time
    // clearing large targets, large enough for real work.
    PixelBudget::setLimit(std::uint64_t{16} << 20);
    Scripting::instance().setTimeLimit(std::chrono::milliseconds(1000));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string calls = callsFrom(data, size);
    const std::string script =
        "var R = [0];\nfunction setup() {\n" + calls + "}\nfunction draw() {\n" + calls + "}\n";
    Scripting& scripting = Scripting::instance();
    scripting.init();
    scripting.eval(buildScriptText(script).c_str());
    Context& context = Context::instance();
    if (Sequence* sequence = context.currentSequence()) {
        sequence->assign(context);
        context.prepareOutput(0.0, 8, 8, 8);
        scripting.eval("draw();");
    }
    scripting.shutdown();
    return 0;
}
