#pragma once
// A test effect written as an author writes one (fx.js and fragment shaders),
// packed with the engine into a module that our host library loads, set up
// the way the applications set an effect up before its first frame.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "EffectFixture.h"
#include "SimulatedHost.h"

// Deep and float colour, smart rendering: what an effect that takes every
// depth declares.
inline std::string deepConfig(const std::string& extra = "") {
    return configXml(1, 0, 1, 0, 0x02000000, 0x1400) + extra;
}

// The input layer, sampled where the quad's texture coordinates put it.
inline const char kCopyShader[] =
    "uniform sampler2D sInput0;\n"
    "void main() { gl_FragColor = texture2D(sInput0, gl_TexCoord[0].xy); }\n";

// Copies the input into the output. Nearest sampling keeps float pixels
// exact (the engine sets linear filtering at every upload); the last pass
// flips, since host rows run top-down and GL's bottom-up.
inline const char kCopyScript[] = R"(
var copy;
function setup() { copy = QS_initShader("copy"); }
function draw() {
    var input = QS_getSequenceTexture();
    QS_setTextureParam(input, QS_GL.TEXTURE_MIN_FILTER, QS_GL.NEAREST);
    QS_setTextureParam(input, QS_GL.TEXTURE_MAG_FILTER, QS_GL.NEAREST);
    QS_setShaderParamVal(copy, "sInput0", input);
    QS_renderShader(copy, QS_getSequenceRT(), true);
}
)";

// The copying effect's folder.
inline std::map<std::string, std::string> copyEffect() {
    return {{"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}};
}

// A module loaded by our host library, set up as the applications set an
// effect up before its first frame.
class HostedModule {
public:
    explicit HostedModule(const std::string& path,
                          HostApplication application = HostApplication::AfterEffects)
        : module(path), host(module, application) {}

    // Global and parameter set-up, one instance and the interface update that
    // the applications send before the first frame (the engine learns the
    // host's parameter indices there); false when any command failed.
    bool start() {
        if (host.globalSetup().error != PF_Err_NONE || host.paramsSetup().error != PF_Err_NONE)
            return false;
        CommandResult result;
        instance = host.addInstance(&result);
        return result.error == PF_Err_NONE && host.updateParamsUI(instance).error == PF_Err_NONE;
    }

    FrameResult render(const HostWorld& input, const RenderOptions& options = {}) {
        return host.renderFrame(instance, input, FrameTime::ofFrame(1, 25), options);
    }

    EffectModule module;
    SimulatedHost host;
    InstanceId instance = 0;
};

// A test effect packed with the engine (the fixture comes first, so that its
// module exists before it is loaded).
class EngineHost : private EffectFixture, public HostedModule {
public:
    explicit EngineHost(const std::map<std::string, std::string>& files,
                        HostApplication application = HostApplication::AfterEffects)
        : EffectFixture(files), HostedModule(modulePath(), application) {}
};

// Every pixel different at every depth: 8-bit channels run through their
// whole range, 16-bit ones hit the ends and the middle of the host's 0 to
// 32768, floats go beyond 0 to 1.
inline HostWorld pattern(A_long width, A_long height, int depth) {
    HostWorld image(width, height, depth);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            const A_long i = y * width + x;
            if (depth == 8) {
                static_cast<PF_Pixel8*>(image.row(y))[x] =
                    PF_Pixel8{A_u_char(255 - i), A_u_char(i), A_u_char(x * 16), A_u_char(y * 16)};
            } else if (depth == 16) {
                static const A_u_short edges[] = {0, 1, 2, 16383, 16384, 16385, 32767, 32768};
                const auto ramp = static_cast<A_u_short>((i * 257) % 32769);
                static_cast<PF_Pixel16*>(image.row(y))[x] = PF_Pixel16{
                    edges[i % 8], ramp, static_cast<A_u_short>(32768 - ramp), edges[(i / 8) % 8]};
            } else {
                static_cast<PF_PixelFloat*>(image.row(y))[x] =
                    PF_PixelFloat{1.0f - i / 512.0f, x / 7.0f, -0.25f + y / 3.0f, 1.5f};
            }
        }
    }
    return image;
}

// What a pass-through gives back: every host value except 16385, which
// shares its GPU value with 16384.
inline HostWorld roundTripped(const HostWorld& input) {
    HostWorld expected = input;
    if (input.depth() != 16)
        return expected;
    for (A_long y = 0; y < expected.height(); ++y)
        for (A_long x = 0; x < expected.width(); ++x) {
            auto& p = static_cast<PF_Pixel16*>(expected.row(y))[x];
            for (A_u_short* c : {&p.alpha, &p.red, &p.green, &p.blue})
                if (*c == 16385)
                    *c = 16384;
        }
    return expected;
}

// The bytes of row y's pixels, without the row's padding.
inline std::string rowBytes(const HostWorld& image, A_long y) {
    const std::size_t bytes = static_cast<std::size_t>(image.width()) * image.depth() / 2;
    return std::string(static_cast<const char*>(image.row(y)), bytes);
}

// Whether two images hold the same pixels, compared through their float
// values, which tell every stored value of every depth apart.
inline ::testing::AssertionResult samePixels(const HostWorld& actual, const HostWorld& expected) {
    if (actual.width() != expected.width() || actual.height() != expected.height() ||
        actual.depth() != expected.depth()) {
        return ::testing::AssertionFailure()
               << actual.width() << "x" << actual.height() << "@" << actual.depth() << " vs "
               << expected.width() << "x" << expected.height() << "@" << expected.depth();
    }
    for (A_long y = 0; y < actual.height(); ++y)
        for (A_long x = 0; x < actual.width(); ++x) {
            const PF_PixelFloat a = actual.get(x, y), e = expected.get(x, y);
            if (std::memcmp(&a, &e, sizeof a) != 0)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is (" << a.alpha << ", " << a.red
                       << ", " << a.green << ", " << a.blue << "), expected (" << e.alpha << ", "
                       << e.red << ", " << e.green << ", " << e.blue << ")";
        }
    return ::testing::AssertionSuccess();
}
