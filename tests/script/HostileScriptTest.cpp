// Effects written to hurt the host: runaway evaluations that hide their time
// inside built-in functions, and sizes no GPU or budget can hold. Each must
// end (the suite's own time-out is the bound for hangs) and leave the engine
// rendering the next frame correctly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "EffectScriptTest.h"
#include "entities/PixelBudget.h"

namespace {

// Paints the output opaque green when drawn; `draw` is replaced by each case.
const char kPainter[] = R"(
var paint;
function setup() {
    paint = QS_initShader("paint", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }");
}
function draw() { QS_renderShader(paint, QS_getSequenceRT(), false); }
)";

class HostileScriptTest : public EffectScriptTest {
protected:
    void TearDown() override {
        Scripting::instance().setTimeLimit(std::chrono::milliseconds(5000));
        PixelBudget::setLimit(PixelBudget::kDefaultBytes);
        EffectScriptTest::TearDown();
    }

    // The output after a well-behaved frame: every pixel A, R, G, B =
    // 255, 0, 255, 0.
    void expectGreenFrame() {
        run("draw = function () { QS_renderShader(paint, QS_getSequenceRT(), false); };");
        drawFrame(1, 4, 4);
        const auto pixels = pixelsOf(sequence().sequenceRenderTarget);
        ASSERT_EQ(pixels.size(), 64u);
        for (std::size_t i = 0; i < pixels.size(); i += 4)
            EXPECT_THAT(std::vector<int>(pixels.begin() + i, pixels.begin() + i + 4),
                        testing::ElementsAre(255, 0, 255, 0));
    }
};

TEST_F(HostileScriptTest, RunawayDrawsEndAtTheTimeLimitAndTheNextFrameRenders) {
    // Each body spends its time where the engine checks no clock by itself:
    // inside built-ins called in a loop, the regular expression matcher and
    // finalizers.
    const char* const bodies[] = {
        "var a = []; for (;;) a.push(new Array(100000).join('x'));",
        "while (true) { var s = new Array(1e6).join('x'); }",
        "for (;;) /^(a+)+b$/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa');",
        "for (;;) { try { 'x'.repeat(1e7); } catch (e) {} }",
        "var a = []; for (var i = 0; i < 1e5; ++i) a.push(i);"
        " for (;;) a.sort(function (x, y) { return y - x; });",
        "var o = []; for (var i = 0; i < 1e5; ++i) o.push({a: i, b: [i]});"
        " for (;;) { try { JSON.parse(JSON.stringify(o)); } catch (e) {} }",
        "var s = new Array(1e5).join('ab'); for (;;) { try { s.replace(/a/g, 'aa'); } catch (e) {} "
        "}",
        "for (var i = 0; i < 8; ++i) Duktape.fin({}, function () { for (;;); });",
        "var a = []; for (;;) { try { a.push({n: a.length, m: [a.length]}); } catch (e) {} }",
    };
    load(kPainter);
    Scripting::instance().setTimeLimit(std::chrono::milliseconds(200));
    for (const char* body : bodies) {
        Scripting::instance().clearLastError();
        Scripting::instance().eval(("(function () {" + std::string(body) + "})();").c_str());
        // The time-out, or the allocation failure that ended a built-in
        // past the deadline.
        EXPECT_THAT(Scripting::instance().lastError().message, testing::Not(testing::IsEmpty()))
            << body;
        expectGreenFrame();
    }
}

TEST_F(HostileScriptTest, SizesBeyondTheContextOrTheBudgetAreRefused) {
    load(kPainter);
    // One call each used to abort the process inside the GL driver.
    EXPECT_EQ(jx("[QS_initRenderTarget(1, 33554432, 8), QS_initRenderTarget(1e8, 1, 8),"
                 " QS_initRenderTarget(-1, 4, 8), QS_initSurface(1e8, 1, 8),"
                 " QS_surfaceToTexture(QS_initSurface(1e8, 1, 8)),"
                 " QS_setOutputExtent(1e8, 1e8), QS_setOutputExtent(-1, 4)]"),
              "[0,0,0,0,false,false,false]");

    // A budget of 64 MiB holds what is held now and as many 4 MiB targets as
    // fit besides.
    const std::uint64_t limit = std::uint64_t{64} << 20, target = std::uint64_t{4} << 20;
    PixelBudget::setLimit(limit);
    const std::uint64_t held = PixelBudget::inUse();
    run("var made = []; for (var i = 0; i < 64; ++i) made.push(QS_initRenderTarget(1024, 1024, "
        "8));");
    EXPECT_EQ(jx("made.filter(function (h) { return h !== 0; }).length"),
              std::to_string((limit - held) / target));
    EXPECT_EQ(jx("QS_initRenderTarget(4096, 4096, 32)"), "0");
    // A surface upload the budget cannot take leaves its target unusable.
    EXPECT_EQ(jx("[QS_surfaceCopyTo(QS_initSurface(1024, 1024, 32), made[0], false),"
                 " QS_getSurfaceDim(made[0])]"),
              "[false,false]");
    run("made.forEach(QS_release);");
    EXPECT_EQ(PixelBudget::inUse(), held);
    // A depth that is no pixel format reads back depth / 8 bytes a channel
    // (1.6 GB here), which the read-back buffer may not take either.
    run("QS_textureToSurface(QS_initRenderTarget(8, 8, 0x3000001));");
    GLint64 packBytes = 0;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 4863);
    glGetBufferParameteri64v(GL_PIXEL_PACK_BUFFER, GL_BUFFER_SIZE, &packBytes);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    EXPECT_LE(static_cast<std::uint64_t>(packBytes), limit);
    EXPECT_NE(jx("QS_initRenderTarget(1024, 1024, 8)"), "0");
    expectGreenFrame();
}

}  // namespace
