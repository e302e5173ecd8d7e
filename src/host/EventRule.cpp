#include "host/EventRule.h"

#include "host/ParameterIndexMaps.h"

PF_Err handleEvent(PF_EventExtra* extra) {
    if (!extra)
        return PF_Err_NONE;
    const std::uint32_t index = static_cast<std::uint32_t>(extra->effect_win.index);
    const ParameterIndexMaps& maps = parameterIndexMaps();
    // Below the first colour parameter or at or past the first point
    // parameter the event is not ours; with no point parameter published the
    // upper bound is 0 and nothing is ever marked handled.
    if (index < maps.firstColorIndex || index >= maps.firstPointIndex)
        return PF_Err_NONE;
    extra->evt_out_flags = PF_EO_HANDLED_EVENT;
    return PF_Err_NONE;
}
