// The frei0r interface of an effect's plugin: the only symbols it exports.
// Description and parameter queries answer from the description written when
// the plugin was made; the engine starts at an instance's first frame.
#include "Frei0rApi.h"

#include <exception>

#include "ParameterTable.h"
#include "PluginInstance.h"
#include "SharedEngine.h"

#define QS_FREI0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

PluginInstance* instanceOf(f0r_instance_t instance) {
    return static_cast<PluginInstance*>(instance);
}

}  // namespace

QS_FREI0R_EXPORT int f0r_init() {
    SharedEngine::instance().init();
    return 1;
}

QS_FREI0R_EXPORT void f0r_deinit() {
    SharedEngine::instance().deinit();
}

QS_FREI0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (info == nullptr)
        return;
    const PluginDescription& description = kPluginDescription;
    info->name = description.name;
    info->author = "Quillshade";
    info->plugin_type = description.mixer ? F0R_PLUGIN_TYPE_MIXER2 : F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = description.majorVersion;
    info->minor_version = description.minorVersion;
    info->num_params = ParameterTable::ofPlugin().count();
    info->explanation = description.explanation;
}

QS_FREI0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
    const ParameterTable& table = ParameterTable::ofPlugin();
    if (info == nullptr || index < 0 || index >= table.count())
        return;
    const ParameterSlot& slot = table.at(index);
    info->name = slot.name.c_str();
    info->type = slot.frei0rType;
    info->explanation = slot.explanation.c_str();
}

QS_FREI0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    if (width == 0 || height == 0 || width > 32768 || height > 32768)
        return nullptr;
    try {
        return new PluginInstance(width, height);
    } catch (const std::exception&) {
        return nullptr;
    }
}

QS_FREI0R_EXPORT void f0r_destruct(f0r_instance_t instance) {
    delete instanceOf(instance);
}

QS_FREI0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance)
        instanceOf(instance)->setValue(index, param);
}

QS_FREI0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance)
        instanceOf(instance)->getValue(index, param);
}

QS_FREI0R_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe,
                                 uint32_t* outframe) {
    if (instance)
        instanceOf(instance)->update(time, inframe, nullptr, outframe);
}

QS_FREI0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                  const uint32_t* inframe2, const uint32_t* inframe3,
                                  uint32_t* outframe) {
    (void)inframe3;
    if (instance)
        instanceOf(instance)->update(time, inframe1, inframe2, outframe);
}
