#include "HostInstance.h"

HostInstance::HostInstance(InstanceId id, const PublishedParameters& parameters,
                           const Composition& composition)
    : id(id),
      composition(composition),
      layerWidth(composition.width),
      layerHeight(composition.height) {
    for (PF_ParamIndex i = 0; i < parameters.count(); ++i) {
        streams.emplace_back(parameters.at(i));
        ui.push_back(ParamUI{parameters.at(i).name, parameters.at(i).ui_flags});
    }
}
