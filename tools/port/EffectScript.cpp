#include "EffectScript.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>

const char kUprightShader[] =
    "// Copies a texture with its top row at the top of the target, as the\n"
    "// ported shaders expect: they count rows upwards, as GL does.\n"
    "uniform sampler2D image;\n"
    "void main() {\n"
    "    gl_FragColor = texture2D(image, gl_TexCoord[0].xy);\n"
    "}\n";

namespace {

bool colourLike(const std::string& name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    for (const char* part : {"col", "tint", "rgb", "albedo", "diffuse", "ambient", "specular"})
        if (lower.find(part) != std::string::npos)
            return true;
    return false;
}

// "u_glowAmount" reads "Glow Amount".
std::string labelOf(const std::string& name) {
    std::string base = name;
    if (base.size() > 2 && (base.compare(0, 2, "u_") == 0 || base.compare(0, 2, "i_") == 0))
        base.erase(0, 2);
    else if (base.size() > 1 && (base[0] == 'u' || base[0] == 'i') &&
             std::isupper(static_cast<unsigned char>(base[1])))
        base.erase(0, 1);
    std::string label;
    for (std::size_t i = 0; i < base.size(); ++i) {
        const char c = base[i];
        if (c == '_') {
            label += ' ';
            continue;
        }
        if (i > 0 && std::isupper(static_cast<unsigned char>(c)) &&
            std::islower(static_cast<unsigned char>(base[i - 1])))
            label += ' ';
        label += label.empty() ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    }
    return label;
}

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A control's JavaScript variable.
std::string controlOf(const std::string& name) {
    return "control_" + name;
}

// The control's own name. A uniform named like a control takes its kind,
// so one whose type differs from the kind's (an int from a slider, a vec3
// from a colour) is set by value from a control of another name.
std::string controlName(const PortedUniform& uniform) {
    if (uniform.type == "int")
        return uniform.name + "_int";
    if (uniform.type == "vec3" && colourLike(uniform.name))
        return uniform.name + "_rgb";
    return uniform.name;
}

// The lines in setup() that declare the control for a tunable uniform.
std::string controlSetup(const PortedUniform& uniform) {
    const std::string variable = controlOf(uniform.name);
    const std::string label = quoted(labelOf(uniform.name) + " (" + uniform.name + ")");
    const auto& initial = uniform.initial;
    std::ostringstream lines;
    auto declare = [&](const char* kind) {
        lines << "    " << variable << " = QS_initParam(" << quoted(controlName(uniform))
              << ", QS_Type." << kind << ", " << label << ");\n";
    };
    if (uniform.type == "float" || uniform.type == "int") {
        declare("FLOAT");
        const double value = initial.empty() ? (uniform.type == "int" ? 1 : 0.5) : initial[0];
        const double high = uniform.type == "int" ? std::max(10.0, 2 * std::fabs(value))
                                                  : std::max(1.0, 2 * std::fabs(value));
        const double low = value < 0 ? -high : 0;
        lines << "    QS_setParamMinMax(" << variable << ", " << number(low) << ", " << number(high)
              << ");\n";
        lines << "    QS_setParamValue(" << variable << ", " << number(value) << ");\n";
        if (uniform.type == "int")
            lines << "    QS_setParamPrecision(" << variable << ", 0);\n";
    } else if (uniform.type == "bool") {
        declare("BOOL");
        lines << "    QS_setParamValue(" << variable << ", "
              << (!initial.empty() && initial[0] != 0 ? 1 : 0) << ");\n";
    } else if (uniform.type == "vec2") {
        declare("POINT2D");
    } else if (uniform.type == "vec4" || colourLike(uniform.name)) {
        declare("COLOR");
        std::string value;
        for (std::size_t i = 0; i < 4; ++i) {
            const double part = i < initial.size() ? initial[i] : 1.0;
            value += (i > 0 ? ", " : "") + number(std::round(std::clamp(part, 0.0, 1.0) * 255));
        }
        lines << "    QS_setParamValue(" << variable << ", [" << value << "]);\n";
    } else {
        declare("POINT");
        if (initial.size() >= 3)
            lines << "    QS_setParamValue(" << variable << ", [" << number(initial[0]) << ", "
                  << number(initial[1]) << ", " << number(initial[2]) << "]);\n";
    }
    return lines.str();
}

// The value a uniform gets in draw(), or empty when QS_setShaderParam sets it.
// Points are in pixels for Shadertoy, whose coordinates are, and from 0 to
// 1 elsewhere, where the place in the frame is.
std::string valueOf(const PortedUniform& uniform, bool rowsUp, bool shadertoy) {
    const std::string control = controlOf(uniform.name);
    switch (uniform.role) {
        case UniformRole::Size:
            return uniform.type == "vec3" ? "[size[0], size[1], 1]" : "[size[0], size[1]]";
        case UniformRole::Time:
            return "time";
        case UniformRole::TimeDelta:
            return "1 / rate";
        case UniformRole::Frame:
            return "Math.floor(time * rate + 0.5)";
        case UniformRole::FrameRate:
            return "rate";
        case UniformRole::SampleRate:
            return "44100";
        case UniformRole::Date:
            return "[0, 0, 0, time]";
        case UniformRole::Mouse: {
            const std::string y = rowsUp ? "size[1] - mouse[1]" : "mouse[1]";
            if (uniform.normalised)
                return "[mouse[0] / size[0], (" + y + ") / size[1]]";
            if (uniform.type == "vec4")
                return "mouseDown ? [mouse[0], " + y + ", mouse[0], " + y + "] : [0, 0, 0, 0]";
            return "[mouse[0], " + y + "]";
        }
        case UniformRole::Tunable:
            if (uniform.type == "int")
                return "Math.round(QS_getParamValue(" + control + "))";
            if (uniform.type == "vec2") {
                const std::string p = "QS_getParamValue(" + control + ")";
                if (shadertoy)
                    return "[" + p + "[0], " + (rowsUp ? "size[1] - " : "") + p + "[1]]";
                return "[" + p + "[0] / size[0], " + (rowsUp ? "1 - " : "") + p + "[1] / size[1]]";
            }
            if (uniform.type == "vec3" && colourLike(uniform.name))
                return "QS_getParamValue(" + control + ").slice(0, 3)";
            return {};
        default:
            return {};
    }
}

}  // namespace

bool needsUprightShader(const std::vector<PortPass>& passes) {
    for (std::size_t i = 0; i < passes.size(); ++i)
        for (const PortedUniform& uniform : passes[i].shader.uniforms())
            if (uniform.role == UniformRole::Channel && passes[i].shader.rowsUp() &&
                (uniform.channel > 0 || i == 0))
                return true;
    return false;
}

std::string effectScript(const std::vector<PortPass>& passes, const std::string& source) {
    std::map<std::string, std::string> controls;  // by uniform name, in setup() order below
    std::vector<std::string> controlOrder;
    std::map<int, bool> layers;  // channel number: read upright by some pass
    bool inputUpright = false, mouse = false, mouseDown = false, rate = false;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const PortedShader& shader = passes[i].shader;
        for (const PortedUniform& uniform : shader.uniforms()) {
            if (uniform.role == UniformRole::Tunable && !controls.count(uniform.name)) {
                controls[uniform.name] = controlSetup(uniform);
                controlOrder.push_back(uniform.name);
            }
            if (uniform.role == UniformRole::Channel && uniform.channel > 0)
                layers[uniform.channel] = layers[uniform.channel] || shader.rowsUp();
            if (uniform.role == UniformRole::Channel && uniform.channel == 0 && i == 0)
                inputUpright = inputUpright || shader.rowsUp();
            mouse = mouse || uniform.role == UniformRole::Mouse;
            mouseDown = mouseDown || (uniform.role == UniformRole::Mouse && uniform.type == "vec4");
            rate = rate || uniform.role == UniformRole::TimeDelta ||
                   uniform.role == UniformRole::Frame || uniform.role == UniformRole::FrameRate;
        }
    }

    std::ostringstream js;
    js << "// Ported by quillshade port from " << source << ".\n";
    js << "var upright = 0, inputUpright = 0, control_mouse = 0, control_mouseDown = 0, "
          "control_frameRate = 0;\n";
    for (std::size_t i = 0; i < passes.size(); ++i)
        js << "var pass" << i << " = 0, pass" << i << "Target = 0;\n";
    for (const std::string& name : controlOrder) js << "var " << controlOf(name) << " = 0;\n";
    for (const auto& layer : layers)
        js << "var layer" << layer.first << " = 0, layer" << layer.first << "Upright = 0;\n";

    js << "\nfunction setup() {\n";
    if (needsUprightShader(passes))
        js << "    upright = QS_initShader(\"upright\");\n";
    for (std::size_t i = 0; i < passes.size(); ++i)
        js << "    pass" << i << " = QS_initShader(" << quoted(passes[i].shaderName) << ");\n";
    for (const std::string& name : controlOrder) js << controls[name];
    for (const auto& layer : layers)
        js << "    layer" << layer.first << " = QS_initParam(\"channel" << layer.first
           << "\", QS_Type.LAYER, \"Channel " << layer.first << "\");\n";
    if (mouse)
        js << "    control_mouse = QS_initParam(\"mouse\", QS_Type.POINT2D, \"Mouse\");\n";
    if (mouseDown)
        js << "    control_mouseDown = QS_initParam(\"mouseDown\", QS_Type.BOOL, \"Mouse button "
              "down\");\n";
    if (rate) {
        js << "    control_frameRate = QS_initParam(\"frameRate\", QS_Type.FLOAT, \"Frame rate "
              "(frames, time steps)\");\n";
        js << "    QS_setParamMinMax(control_frameRate, 1, 120);\n";
        js << "    QS_setParamValue(control_frameRate, 25);\n";
    }
    js << "}\n\n";

    js << "// `target` when it has this size and depth, else a new render target.\n"
          "function targetFor(target, size) {\n"
          "    if (target) {\n"
          "        var has = QS_getSurfaceDim(target);\n"
          "        if (has && has[0] == size[0] && has[1] == size[1] && has[2] == size[2])\n"
          "            return target;\n"
          "        QS_release(target);\n"
          "    }\n"
          "    return QS_initRenderTarget(size[0], size[1], size[2]);\n"
          "}\n\n"
          "// A copy of `source` with its top row at the top, for shaders that count rows\n"
          "// upwards.\n"
          "function turnedUpright(source, target, size) {\n"
          "    target = targetFor(target, QS_getSurfaceDim(source) || [2, 2, size[2]]);\n"
          "    QS_setShaderParamVal(upright, \"image\", source);\n"
          "    QS_renderShader(upright, target, true);\n"
          "    return target;\n"
          "}\n\n";

    const bool turned = needsUprightShader(passes);
    js << "function draw() {\n"
          "    var output = QS_getSequenceRT();\n"
          "    var size = QS_getSurfaceDim(output);\n"
          "    var time = QS_getTime();\n"
          "    var input = QS_getSequenceTexture();\n";
    if (mouse)
        js << "    var mouse = QS_getParamValue(control_mouse);\n";
    if (mouseDown)
        js << "    var mouseDown = QS_getParamValue(control_mouseDown);\n";
    if (rate)
        js << "    var rate = QS_getParamValue(control_frameRate);\n";
    if (inputUpright)
        js << "    inputUpright = turnedUpright(input, inputUpright, size);\n";
    for (const auto& layer : layers)
        if (layer.second)
            js << "    layer" << layer.first << "Upright = turnedUpright(QS_getParamValue(layer"
               << layer.first << "), layer" << layer.first << "Upright, size);\n";
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const PortedShader& shader = passes[i].shader;
        const std::string pass = "pass" + std::to_string(i);
        const bool last = i + 1 == passes.size();
        js << "\n    // " << passes[i].shaderName << ".frag\n";
        if (!last)
            js << "    " << pass << "Target = targetFor(" << pass << "Target, size);\n";
        if (shader.needsSizeUniform())
            js << "    QS_setShaderParamVal(" << pass << ", \"" << PortedShader::kSizeUniform
               << "\", [size[0], size[1]]);\n";
        for (const PortedUniform& uniform : shader.uniforms()) {
            std::string value;
            if (uniform.role == UniformRole::Channel) {
                if (uniform.channel == 0)
                    value = i > 0             ? "pass" + std::to_string(i - 1) + "Target"
                            : shader.rowsUp() ? "inputUpright"
                                              : "input";
                else
                    value = "layer" + std::to_string(uniform.channel) +
                            (shader.rowsUp() ? "Upright" : "");
            } else {
                value =
                    valueOf(uniform, shader.rowsUp(), shader.dialect() == SourceDialect::Shadertoy);
            }
            if (!value.empty())
                js << "    QS_setShaderParamVal(" << pass << ", " << quoted(uniform.name) << ", "
                   << value << ");\n";
            else if (uniform.role == UniformRole::Tunable)
                js << "    QS_setShaderParam(" << pass << ", " << controlOf(uniform.name) << ");\n";
        }
        if (last && turned)
            js << "    // The shaders find their place from gl_FragCoord, which flip does not "
                  "turn;\n"
                  "    // false because the pictures they read were turned upright already.\n";
        js << "    QS_renderShader(" << pass << ", "
           << (last ? (turned ? "output, false" : "output, true") : pass + "Target, false")
           << ");\n";
    }
    js << "}\n";
    return js.str();
}
