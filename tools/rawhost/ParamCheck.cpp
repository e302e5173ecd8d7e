#include "ParamCheck.h"

#include <cstring>
#include <sstream>

#include "RawLayout.h"
#include "Report.h"

namespace {

namespace P = raw::PF_ParamDef;
namespace C = raw::constants;

// How the facts' fields of one parameter type are encoded; fields not listed
// are integers of their size.
struct TypeFacts {
    const char* type;
    std::int64_t paramType;
    const raw::Field* fields;
    std::size_t fieldCount;
    const char* doubles;
    const char* floats;
    const char* pixels;
    const char* text;  // the field that points to a text
};

#define RAW_FIELDS(S) raw::S::fields, sizeof raw::S::fields / sizeof raw::S::fields[0]

const TypeFacts kTypes[] = {
    {"LAYER", C::PF_Param_LAYER, RAW_FIELDS(PF_LayerDef), "", "", "", nullptr},
    {"FLOAT_SLIDER", C::PF_Param_FLOAT_SLIDER, RAW_FIELDS(PF_FloatSliderDef), " value phase ",
     " valid_min valid_max slider_min slider_max dephault curve_tolerance exponent ", "", nullptr},
    {"ANGLE", C::PF_Param_ANGLE, RAW_FIELDS(PF_AngleDef), "", "", "", nullptr},
    {"CHECKBOX", C::PF_Param_CHECKBOX, RAW_FIELDS(PF_CheckBoxDef), "", "", "", "u.nameptr"},
    {"COLOR", C::PF_Param_COLOR, RAW_FIELDS(PF_ColorDef), "", "", " value dephault ", nullptr},
    {"POINT", C::PF_Param_POINT, RAW_FIELDS(PF_PointDef), "", "", "", nullptr},
    {"POINT_3D", C::PF_Param_POINT_3D, RAW_FIELDS(PF_Point3DDef),
     " x_value y_value z_value x_dephault y_dephault z_dephault ", "", "", nullptr},
    {"POPUP", C::PF_Param_POPUP, RAW_FIELDS(PF_PopupDef), "", "", "", "u.namesptr"},
    {"PATH", C::PF_Param_PATH, RAW_FIELDS(PF_PathDef), "", "", "", nullptr},
    {"GROUP_START", C::PF_Param_GROUP_START, nullptr, 0, "", "", "", nullptr},
    {"GROUP_END", C::PF_Param_GROUP_END, nullptr, 0, "", "", "", nullptr},
};

const TypeFacts* typeFacts(std::int64_t paramType) {
    for (const TypeFacts& t : kTypes)
        if (t.paramType == paramType)
            return &t;
    return nullptr;
}

bool listed(const char* list, const std::string& name) {
    return std::strstr(list, (" " + name + " ").c_str()) != nullptr;
}

// One field of the whole definition: its name, place and encoding.
struct Slot {
    std::string name;
    std::size_t offset;
    std::size_t size;
    char kind;  // 'i' integer, 'd' double, 'f' float, 'x' pixel, 's' text pointer, 'n' name
};

std::vector<Slot> layoutOf(const TypeFacts* type) {
    std::vector<Slot> slots = {
        {"uu.id", P::uu_id, 4, 'i'},           {"ui_flags", P::ui_flags, 4, 'i'},
        {"ui_width", P::ui_width, 2, 'i'},     {"ui_height", P::ui_height, 2, 'i'},
        {"param_type", P::param_type, 4, 'i'}, {"name", P::name, 32, 'n'},
        {"flags", P::flags, 4, 'i'},           {"unused", P::unused, 4, 'i'}};
    if (!type)
        return slots;
    for (std::size_t i = 0; i < type->fieldCount; ++i) {
        const raw::Field& f = type->fields[i];
        const std::string name = f.name;
        // A field holding named parts ("u" of a checkbox) is checked by its parts.
        bool hasParts = false;
        for (std::size_t j = 0; j < type->fieldCount; ++j)
            hasParts |=
                std::strncmp(type->fields[j].name, (name + ".").c_str(), name.size() + 1) == 0;
        if (hasParts)
            continue;
        const char kind = type->text && name == type->text ? 's'
                          : listed(type->doubles, name)    ? 'd'
                          : listed(type->floats, name)     ? 'f'
                          : listed(type->pixels, name)     ? 'x'
                                                           : 'i';
        slots.push_back({name, P::u + f.offset, f.size, kind});
    }
    return slots;
}

std::string decode(const Slot& slot, const std::uint8_t* bytes) {
    std::ostringstream text;
    switch (slot.kind) {
        case 'd': {
            double v;
            std::memcpy(&v, bytes, 8);
            text << v;
            break;
        }
        case 'f': {
            float v;
            std::memcpy(&v, bytes, 4);
            text << v;
            break;
        }
        case 'x':
            text << int(bytes[0]) << ',' << int(bytes[1]) << ',' << int(bytes[2]) << ','
                 << int(bytes[3]);
            break;
        case 'n':
            text << '"'
                 << std::string(reinterpret_cast<const char*>(bytes),
                                strnlen(reinterpret_cast<const char*>(bytes), slot.size))
                 << '"';
            break;
        default: {
            std::int64_t v = 0;
            std::memcpy(&v, bytes, slot.size);
            if (slot.size < 8 && (v >> (8 * slot.size - 1)) & 1)
                v -= std::int64_t(1) << (8 * slot.size);  // sign-extend
            text << v << " ("
                 << hex(static_cast<unsigned long long>(v) &
                        (slot.size == 8 ? ~0ull : (1ull << (8 * slot.size)) - 1))
                 << ")";
        }
    }
    return text.str();
}

void encode(const Slot& slot, const std::string& value, std::uint8_t* bytes) {
    switch (slot.kind) {
        case 'd': {
            const double v = std::stod(value);
            std::memcpy(bytes, &v, 8);
            break;
        }
        case 'f': {
            const float v = std::stof(value);
            std::memcpy(bytes, &v, 4);
            break;
        }
        case 'x': {
            std::istringstream parts(value);
            std::string part;
            for (int i = 0; i < 4 && std::getline(parts, part, ','); ++i)
                bytes[i] = static_cast<std::uint8_t>(std::stoi(part));
            break;
        }
        default: {
            const std::int64_t v = std::stoll(value, nullptr, 0);
            std::memcpy(bytes, &v, slot.size);
        }
    }
}

}  // namespace

std::int64_t paramTypeOf(const std::string& type) {
    for (const TypeFacts& t : kTypes)
        if (type == t.type)
            return t.paramType;
    return -1000;
}

const char* textFieldOf(std::int64_t paramType, std::size_t* offset) {
    const TypeFacts* type = typeFacts(paramType);
    if (!type || !type->text)
        return nullptr;
    for (std::size_t i = 0; i < type->fieldCount; ++i)
        if (std::strcmp(type->fields[i].name, type->text) == 0)
            *offset = P::u + type->fields[i].offset;
    return type->text;
}

void checkPublishedParam(int hostIndex, const PublishedParam& actual,
                         const ExpectedParam& expected) {
    Report& report = Report::get();
    const std::string what =
        "parameter " + std::to_string(hostIndex) + " \"" + expected.name + "\"";
    const std::int64_t paramType = paramTypeOf(expected.type);
    const TypeFacts* type = typeFacts(paramType);
    if (!type) {
        report.fail(what + ": the expectation names an unknown type " + expected.type);
        return;
    }
    const std::vector<Slot> slots = layoutOf(type);
    std::vector<std::uint8_t> wanted(P::size, 0);
    std::vector<bool> compared(P::size, true);
    auto put = [&](const std::string& name, const std::string& value) {
        for (const Slot& slot : slots) {
            if (slot.name != name)
                continue;
            if (slot.kind == 's') {
                // The pointer's text is compared instead of its address.
                for (std::size_t i = 0; i < slot.size; ++i) compared[slot.offset + i] = false;
                report.check(actual.text == value, what + ": " + name + " points to \"" +
                                                       actual.text + "\", expected \"" + value +
                                                       "\"");
            } else if (slot.kind == 'n') {
                std::strncpy(reinterpret_cast<char*>(&wanted[slot.offset]), value.c_str(), 31);
            } else {
                encode(slot, value, &wanted[slot.offset]);
            }
            return;
        }
        report.fail(what + ": the facts name no field " + name + " in a " + expected.type +
                    " definition");
    };
    put("uu.id", std::to_string(hostIndex + 2));
    put("param_type", std::to_string(paramType));
    if (paramType != C::PF_Param_GROUP_END)
        put("name", expected.name);
    for (const auto& [name, value] : expected.fields) put(name, value);

    for (std::size_t i = 0; i < P::size; ++i) {
        if (!compared[i] || actual.def[i] == wanted[i])
            continue;
        const Slot* holder = nullptr;
        for (const Slot& slot : slots)
            if (slot.offset <= i && i < slot.offset + slot.size)
                holder = &slot;
        if (!holder) {
            report.fail(what + ": byte " + std::to_string(i) +
                        " of PF_ParamDef, which no field holds, is " + hex(actual.def[i]) +
                        ", expected 0");
            continue;
        }
        report.fail(what + ": " + holder->name + " (PF_ParamDef bytes " +
                    std::to_string(holder->offset) + ".." +
                    std::to_string(holder->offset + holder->size - 1) + ") is " +
                    decode(*holder, &actual.def[holder->offset]) + ", expected " +
                    decode(*holder, &wanted[holder->offset]));
        i = holder->offset + holder->size - 1;
    }
}
