#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entities/ParametersHolder.h"

namespace {

// Serves its records through the virtual interface, as the render context does.
class ListHolder : public ParametersHolder {
public:
    std::uint32_t count() const override { return static_cast<std::uint32_t>(records.size()); }
    const Parameter& at(std::uint32_t position) const override { return records.at(position); }
    void add(std::uint32_t id, const std::string& name) {
        records.emplace_back();
        records.back().initialise(name, QS_Type::POPUP, "");
        records.back().id = id;
    }
    std::vector<Parameter> records;
};

TEST(ParametersHolder, AssignCopiesOrderIndexesTheLastOfEachIdAndStaysIndependent) {
    ListHolder source;
    for (std::uint32_t i = 1; i <= 100; ++i) source.add(0x1000000 + i, "p" + std::to_string(i));
    source.add(0x1000007, "late");
    ParametersHolder holder;
    holder.assign(source);
    ASSERT_EQ(holder.count(), 101u);
    EXPECT_EQ(holder.at(6).name, "p7");
    EXPECT_EQ(&holder.at(101), &emptyParameter);
    EXPECT_EQ(holder.find(0x1000007).name, "late");
    EXPECT_EQ(&holder.find(0x1000064), &holder.at(99));  // index survives the vector growing

    // The copy is the holder's own; a copy of it, and of itself, reads
    // through the base class's interface.
    holder.find(0x1000001).value[0] = 2.5f;
    holder.find(0x1000001).choices = "a|b";
    EXPECT_EQ(source.records[0].value[0], 0.0f);
    EXPECT_EQ(source.records[0].choices, "0|1|2|3|4|5|6|7|8|9");
    EXPECT_EQ(source.records[0].choiceCount, 10u);
    ParametersHolder second;
    second.assign(holder);
    second.assign(second);
    EXPECT_EQ(second.find(0x1000001).value[0], 2.5f);

    holder.assign(ListHolder());
    EXPECT_EQ(holder.count(), 0u);
    EXPECT_EQ(&holder.find(0x1000001), &emptyParameter);
    EXPECT_EQ(Parameter::countChoices(""), 0u);
    EXPECT_EQ(Parameter::countChoices("a||c"), 3u);
}

}  // namespace
