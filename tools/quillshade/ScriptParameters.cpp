#include "ScriptParameters.h"

#include "EffectModule.h"
#include "entities/Context.h"
#include "host/AEQuillshade2.h"

std::map<std::string, std::string> declaredParameterLabels(const EffectModule& module,
                                                           bool started) {
    std::map<std::string, std::string> labels;
    try {
        // Global set-up's own first step: the package from the module's file,
        // the configuration, a GL context and the script with its setup().
        if (!started &&
            !plugin().initialize(static_cast<win32::HMODULE>(module.instanceHandle()))) {
            return labels;
        }
    } catch (...) {
        // A configuration that does not parse, or no GL context: the host's
        // run of the effect reports it; there are simply no names to offer.
        return labels;
    }
    const Context& context = Context::instance();
    for (std::uint32_t i = 0; i < context.count(); ++i) {
        const Parameter& parameter = context.at(i);
        labels.emplace(parameter.name, parameter.label);
    }
    return labels;
}
