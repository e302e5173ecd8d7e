#include <gtest/gtest.h>

#include "entities/Parameter.h"

namespace {

TEST(Parameter, DeclarationDefaultsChoicesAndPrecision) {
    Parameter parameter;
    parameter.flags = 0xFF;
    parameter.initialise("gain", QS_Type::POPUP, "");
    EXPECT_EQ(parameter.name, "gain");
    EXPECT_EQ(parameter.kind, QS_Type::POPUP);
    EXPECT_EQ(parameter.flags, 0u);
    EXPECT_EQ(parameter.value[0], 0.0f);
    EXPECT_EQ(parameter.minimum[0], -100.0f);
    EXPECT_EQ(parameter.maximum[0], 100.0f);
    EXPECT_EQ(parameter.choices, "0|1|2|3|4|5|6|7|8|9");
    EXPECT_EQ(parameter.choiceCount, 10u);

    EXPECT_EQ(Parameter::countChoices(""), 0u);
    EXPECT_EQ(Parameter::countChoices("Linear"), 1u);
    EXPECT_EQ(Parameter::countChoices("a||c"), 3u);

    parameter.flags = QS_ParamFlags::ScaleByWidth;
    parameter.setPrecision(2);
    EXPECT_EQ(parameter.precision(), 2);
    parameter.setPrecision(0x1C8);  // only the low 8 bits count
    EXPECT_EQ(parameter.flags, 0xC8000008u);
    EXPECT_EQ(parameter.precision(), -56);
}

}  // namespace
