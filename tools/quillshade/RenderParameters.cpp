#include "RenderParameters.h"

#include <map>
#include <set>
#include <stdexcept>

#include "NameSuggestions.h"
#include "ParameterValues.h"
#include "RenderProgress.h"

// A parameter by the name the host shows, or by the script's own name; an
// unknown name lists the effect's parameters, the closest first.
PF_ParamIndex findParameter(const SimulatedHost& host, OpenedEffect& effect,
                            const std::string& name) {
    if (auto index = host.parameters().find(name))
        return *index;
    const auto& labels = effect.labelsByScriptName();
    const auto label = labels.find(name);
    if (label != labels.end()) {
        if (auto index = host.parameters().find(label->second))
            return *index;
    }
    std::map<std::string, std::string> shown;
    std::vector<std::string> names;
    for (PF_ParamIndex i = 1; i < host.parameters().count(); ++i) {
        const std::string hostName = host.parameters().at(i).name;
        if (hostName.empty())
            continue;
        shown[hostName] = hostName;
        names.push_back(hostName);
    }
    for (const auto& [scriptName, scriptLabel] : labels) {
        const auto published = shown.find(scriptLabel.substr(0, 31));
        if (published == shown.end())
            continue;
        published->second = published->first + " (" + scriptName + ")";
        names.push_back(scriptName);
        shown[scriptName] = published->second;
    }
    std::string list;
    std::set<std::string> listed;
    for (const std::string& close : closestFirst(name, names)) {
        if (listed.insert(shown[close]).second)
            list += "\n  " + shown[close];
    }
    throw std::runtime_error("the effect has no parameter '" + name +
                             "'; its parameters, closest first:" + list);
}

std::pair<std::string, std::string> assignment(const std::string& text, const char* option) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw std::runtime_error(std::string(option) + " must be written NAME=VALUE: '" + text +
                                 "'");
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

void setParameters(SimulatedHost& host, OpenedEffect& effect, InstanceId instance,
                   const std::vector<std::string>& sets, RenderProgress& progress) {
    for (const std::string& set : sets) {
        const auto [name, text] = assignment(set, "--set");
        const PF_ParamIndex index = findParameter(host, effect, name);
        const PF_ParamDef& def = host.parameters().at(index);
        try {
            std::vector<Keyframe> keys = parseParameterValue(def, text);
            const std::string clamped = clampAsHost(def, keys);
            if (!clamped.empty())
                progress.message("warning: --set " + name + ": " + def.name + " " + clamped);
            if (keys.size() == 1 && text.find('@') == std::string::npos) {
                host.setParam(instance, index, keys.front().value);
            } else {
                for (const Keyframe& key : keys)
                    host.addKeyframe(instance, index, key.seconds, key.value);
            }
        } catch (const ValueError& error) {
            throw std::runtime_error("--set " + name + ": " + error.what());
        }
    }
}
