#include "script/ScriptNatives.h"

#include <initializer_list>
#include <vector>

NativeTable scriptNatives() {
    static const std::vector<NativeFunction> table = [] {
        std::vector<NativeFunction> all;
        // Subjects in registration order.
        const std::initializer_list<NativeTable> subjects = {
            parameterNatives(),
            entityNatives(),
            surfaceNatives(),
            frameNatives(),
        };
        for (const NativeTable& subject : subjects)
            all.insert(all.end(), subject.entries, subject.entries + subject.count);
        return all;
    }();
    return {table.data(), table.size()};
}
