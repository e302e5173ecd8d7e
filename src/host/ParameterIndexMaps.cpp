#include "host/ParameterIndexMaps.h"

ParameterIndexMaps& parameterIndexMaps() {
    static ParameterIndexMaps maps;
    return maps;
}
