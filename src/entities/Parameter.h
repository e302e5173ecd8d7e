#pragma once
// One effect parameter as the script declares it, and the record that
// describes a shader uniform; both share the name-based link between them.

#include <cstdint>
#include <string>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"

// Parameter kinds as the script names them (QS_Type.FLOAT, ...). The namespace
// keeps short names such as BOOL and POINT clear of the platform's typedefs.
namespace QS_Type {
enum Kind : std::uint32_t {
    UNKNOWN = 0,
    FLOAT = 1,
    POINT = 2,
    COLOR = 3,
    LAYER = 4,
    POINT2D = 5,
    TEXTURE = 6,
    PATH = 7,
    BOOL = 8,
    POPUP = 9,
    GROUP_START = 10,
    GROUP_END = 11,
    ANGLE = 12,
};
}  // namespace QS_Type

// Flag bits of Parameter::flags that the engine itself sets or tests.
enum ParamFlag : std::uint32_t {
    ParamHidden = 1,
    ParamDisabled = 2,
};

// Flag bits the script sets to have host values scaled to full resolution.
namespace QS_ParamFlags {
enum Flag : std::uint32_t {
    ScaleByWidth = 8,
    ScaleByHeight = 16,
    RemoveScale = 32,
};
}  // namespace QS_ParamFlags

class Parameter {
public:
    class Factory;

    // Turns a freshly registered record into a declared parameter: every field
    // zero or empty except the slider range -100..100 and the ten choices
    // "0".."9". `id` stays 0; the caller sets it last, once the record is ready.
    void initialise(std::string name, std::uint32_t kind, std::string label);

    // The integer that BOOL, POPUP, TEXTURE and LAYER keep in the first word.
    std::int32_t intValue() const;
    void setIntValue(std::int32_t word);

    // Display precision, kept in the top byte of `flags` as a signed byte.
    std::int8_t precision() const;
    // Replaces the top byte of `flags` with the low 8 bits of `digits`.
    void setPrecision(std::int32_t digits);

    void setChoices(const std::string& text);
    // The number of "|"-separated entries; an empty text has none.
    static std::uint32_t countChoices(const std::string& text);

    std::string name;
    std::string label;
    std::uint32_t kind = QS_Type::UNKNOWN;
    std::uint32_t arraySize = 0;  // shader uniforms only
    std::uint32_t id = 0;         // own handle; 0 marks an empty record
    std::uint32_t flags = 0;
    std::int32_t location = 0;  // shader uniforms only
    std::uint8_t changed = 0;   // shader uniforms only
    float value[4] = {};        // the host exchanges these 16 bytes as one block
    float minimum[4] = {};
    float maximum[4] = {};
    std::uint32_t texture = 0;
    std::string choices;
    std::uint32_t choiceCount = 0;
};

// The record every parameter lookup that finds nothing yields; all zero.
extern Parameter emptyParameter;

template <>
Parameter& nullEntity<Parameter>();

class Parameter::Factory : public EntityFactory<Parameter, EntityHandle::ParameterBase> {};
