#include "ScriptProbes.h"

#include <regex>

#include "ScriptLocation.h"
#include "WatchedEngine.h"
#include "script/Scripting.h"

namespace {

const char kProbeFile[] = "quillshade-check";

// Each finding is [kind, stack of the call, stack of the earlier call it
// relates to]. Surface depths are tracked by handle since QS_getSurfaceDim
// does not answer for surfaces.
const char kProbes[] = R"JS((function (g) {
    var findings = g.__quillshadeFindings = [];
    var depths = {}, wide = {};
    function stack() { return new Error().stack; }
    // `before` sees the arguments ahead of the call, `after` the result
    // and what `before` returned.
    function wrap(name, after, before) {
        var original = g[name];
        if (typeof original !== "function") return;
        g[name] = function () {
            var prior = before ? before(arguments) : undefined;
            var result = original.apply(this, arguments);
            after(arguments, result, prior);
            return result;
        };
    }
    function depth(h) { var d = QS_getSurfaceDim(h); return d ? d[2] : 0; }
    wrap("QS_initSurface", function (a, s) { depths[s] = a[2]; delete wide[s]; });
    wrap("QS_textureToSurface", function (a, s) {
        if (!s) return;
        depths[s] = depth(a[0]);
        if (depths[s] === 16) wide[s] = stack(); else delete wide[s];
    });
    wrap("QS_surfaceQuantize", function (a) {
        if (wide[a[0]]) findings.push(["range16", stack(), wide[a[0]]]);
    });
    // The target takes the surface's depth in the copy: ask before it.
    wrap("QS_surfaceCopyTo", function (a, r, to) {
        if (depths[a[0]] && to && depths[a[0]] !== to)
            findings.push(["copyDepth", stack(), "", depths[a[0]], to]);
    }, function (a) { return depth(a[1]); });
    wrap("QS_getParamValue", function (a, r) {
        if (r === false) findings.push(["undeclared", stack(), ""]);
    });

    // Which way up each picture is: 0 when its t = 0 row is the picture's
    // top (images, the input, targets rendered with flip false from those),
    // 1 when turned. The output is read back bottom row first, so what
    // reaches it must be turned. A pass's source is what its samplers hold;
    // without one, or with pictures both ways up, nothing is judged.
    var turned = {}, samplers = {}, wroteOutput = false;
    function way(h) { return turned[h] === undefined ? 0 : turned[h]; }
    function written(target, source, flip) {
        var output = target === QS_getSequenceRT();
        if (output) wroteOutput = true;
        var result = source === undefined ? undefined : source ^ (flip ? 1 : 0);
        if (output && result === 0) findings.push(["upsideDown", stack(), ""]);
        if (!output) turned[target] = result;
    }
    wrap("QS_setShaderParamVal", function (a) {
        if (QS_getShaderParamType(a[0], a[1]) !== QS_Type.LAYER) return;
        (samplers[a[0]] = samplers[a[0]] || {})[a[1]] = a[2];
    });
    wrap("QS_renderShader", function (a, r) {
        if (!r) return;
        var held = samplers[a[0]] || {}, source;
        for (var name in held) {
            var w = way(held[name]);
            if (source === undefined) source = w;
            else if (source !== w) { source = undefined; break; }
        }
        written(a[1], source, a[2]);
    });
    wrap("QS_blitRenderTarget", function (a, r) { if (r) written(a[1], way(a[0]), a[2]); });
    wrap("QS_textureToSurface", function (a, s) { if (s) turned[s] = way(a[0]); });
    wrap("QS_surfaceCopyTo", function (a, r) { if (r) written(a[1], way(a[0]), a[2]); });
    var draw = g.draw;
    if (typeof draw === "function") {
        g.draw = function () {
            wroteOutput = false;
            var result = draw.apply(this, arguments);
            if (!wroteOutput) findings.push(["noOutput", "", ""]);
            return result;
        };
    }
})(this))JS";

// The fx.js line of the innermost call in the script in a stack; 0 for none.
int scriptLine(const std::string& stack, const std::string& script) {
    static const std::regex frame(R"(\(([^():]+):([0-9]+)\))");
    for (std::sregex_iterator it(stack.begin(), stack.end(), frame), end; it != end; ++it) {
        if ((*it)[1] == kProbeFile)
            continue;
        const ScriptLocation location =
            locateScriptError(ScriptError{"", std::stoi((*it)[2])}, script);
        if (location.place == ScriptLocation::InScript)
            return location.line;
    }
    return 0;
}

std::string place(int line) {
    return line > 0 ? "fx.js:" + std::to_string(line) + ": " : "fx.js: ";
}

bool install(duk_context* ctx) {
    duk_push_string(ctx, kProbeFile);
    if (duk_pcompile_string_filename(ctx, DUK_COMPILE_EVAL, kProbes) != 0) {
        duk_pop(ctx);
        return false;
    }
    const bool called = duk_pcall(ctx, 0) == 0;
    duk_pop(ctx);
    if (!called)
        return false;
    duk_push_global_object(ctx);
    duk_push_string(ctx, "__quillshadeFindings");
    const bool installed = duk_has_prop(ctx, -2) != 0;
    duk_pop(ctx);
    return installed;
}

std::string text(duk_context* ctx, duk_idx_t finding, duk_uarridx_t index) {
    duk_get_prop_index(ctx, finding, index);
    std::string value = duk_is_undefined(ctx, -1) ? "" : duk_safe_to_string(ctx, -1);
    duk_pop(ctx);
    return value;
}

std::string describe(const std::string& kind, int line, int earlier, const std::string& from,
                     const std::string& to) {
    if (kind == "range16") {
        return place(earlier) +
               "QS_textureToSurface reads a 16-bit render target or texture into a surface that "
               "holds 0..65535, but QS_surfaceQuantize (" +
               place(line).substr(0, place(line).size() - 2) +
               ") takes 16-bit surfaces as 0..32768, so the result comes out at half value and "
               "half alpha; render into a 32-bit render target (QS_initRenderTarget(w, h, 32)) "
               "and read the surface from that";
    }
    if (kind == "upsideDown") {
        return place(line) +
               "this pass writes the output upside down: the output is read back bottom row "
               "first, so the last step into QS_getSequenceRT() takes flip true when its source "
               "has its top row at t = 0 (the input, an image, a target rendered with flip "
               "false), and every step before it flip false";
    }
    if (kind == "noOutput") {
        return "fx.js: draw() never writes QS_getSequenceRT(), so the host gets the frame the "
               "output target held before (the input's pixels, or an earlier frame); render "
               "into it with QS_renderShader, QS_blitRenderTarget or QS_surfaceCopyTo";
    }
    if (kind == "copyDepth") {
        return place(line) + "QS_surfaceCopyTo copies a " + from + "-bit surface into a " + to +
               "-bit target: between depths the copy never reaches the frame (the output keeps "
               "its pixels, a target of your own turns into one of the surface's depth); copy "
               "into a target of the surface's depth and render that into the other with a "
               "shader";
    }
    return place(line) +
           "QS_getParamValue reads something that is no parameter (a name never given to "
           "QS_initParam in setup(), or a released one), so it gets false; declare it with "
           "QS_initParam in setup() and keep the handle";
}

}  // namespace

std::vector<std::string> probeScriptUsage(SimulatedHost& host, InstanceId instance,
                                          const HostWorld& frame, const std::string& script) {
    std::vector<std::string> findings;
    duk_context* ctx = Scripting::instance().context();
    if (ctx == nullptr || !install(ctx))
        return findings;
    host.renderFrame(instance, frame, FrameTime{});
    if (host.globalOutFlags() & PF_OutFlag_DEEP_COLOR_AWARE)
        host.renderFrame(instance, frame.converted(16), FrameTime{});
    // The engine may have dropped its heap meanwhile.
    ctx = Scripting::instance().context();
    if (ctx == nullptr)
        return findings;
    // A script that failed anywhere may skip its output for that alone.
    const bool failed = !scriptFailures().empty();
    duk_get_global_string(ctx, "__quillshadeFindings");
    const duk_size_t count = duk_is_array(ctx, -1) ? duk_get_length(ctx, -1) : 0;
    for (duk_uarridx_t i = 0; i < count; ++i) {
        duk_get_prop_index(ctx, -1, i);
        const duk_idx_t finding = duk_get_top_index(ctx);
        if (failed && text(ctx, finding, 0) == "noOutput") {
            duk_pop(ctx);
            continue;
        }
        std::string found =
            describe(text(ctx, finding, 0), scriptLine(text(ctx, finding, 1), script),
                     scriptLine(text(ctx, finding, 2), script), text(ctx, finding, 3),
                     text(ctx, finding, 4));
        duk_pop(ctx);
        if (std::find(findings.begin(), findings.end(), found) == findings.end())
            findings.push_back(std::move(found));
    }
    duk_pop(ctx);
    return findings;
}
