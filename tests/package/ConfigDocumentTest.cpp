#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "package/ConfigDocument.h"
#include "package/XmlNesting.h"

namespace {

TEST(ConfigDocument, ReadsTopLevelKeysOnly) {
    const ConfigDocument config(
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- about -->\n<!DOCTYPE x>\n"
        "<ABOUT> Relief &amp; shade&#33; </ABOUT><?pi here?>\n"
        "<AGEP_ID>First</AGEP_ID><AGEP_ID>Second</AGEP_ID>\n"
        "<about>lower</about><GROUP><FLAGS>5</FLAGS></GROUP>\n"
        "<MIXED><b>bold</b>after</MIXED><CDATA><![CDATA[hidden]]></CDATA><EMPTY/>");
    EXPECT_EQ(config.get(L"ABOUT"), " Relief & shade! ");  // white space kept, entities expanded
    EXPECT_EQ(config.get(L"AGEP_ID"), "First");            // the first of two wins
    EXPECT_EQ(config.get(L"About"), "");                   // names match case-sensitively
    EXPECT_EQ(config.getInt(L"FLAGS"), 0);                 // nested keys are not seen
    EXPECT_EQ(config.get(L"MIXED"), "after");              // the first text run
    EXPECT_EQ(config.get(L"CDATA"), "");
    EXPECT_EQ(config.get(L"EMPTY"), "");
    EXPECT_EQ(config.get(L"MISSING"), "");

    const ConfigDocument wrapped("<CONFIG><MAJOR_VERSION>3</MAJOR_VERSION></CONFIG>");
    EXPECT_EQ(wrapped.getVersion().major, 0u);
}

TEST(ConfigDocument, ReadsNumbersAsAtoiWithThirtyTwoBitClamping) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {" \t42 ", 42},
        {"12abc", 12},
        {"0x10", 0},
        {"-5", -5},
        {"+7", 7},
        {"", 0},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"-2147483648", INT32_MIN},  // bit 31 of a mask
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(ConfigDocument("<N>" + std::string(text) + "</N>").getInt(L"N"), number) << text;
}

TEST(ConfigDocument, MasksVersionFieldsToTheirWidths) {
    const EffectVersion version =
        ConfigDocument(
            "<MAJOR_VERSION>64</MAJOR_VERSION><MINOR_VERSION>257</MINOR_VERSION>"
            "<BUILD_VERSION>65537</BUILD_VERSION><STAGE_VERSION>5</STAGE_VERSION>")
            .getVersion();
    EXPECT_EQ(version.major, 0u);
    EXPECT_EQ(version.minor, 1u);
    EXPECT_EQ(version.build, 1u);
    EXPECT_EQ(version.stage, 1u);
}

TEST(ConfigDocument, MalformedTextThrowsParseError) {
    for (const char* text : {"<A>1", "<A x=>1</A>", "text"})
        EXPECT_THROW(ConfigDocument{text}, rapidxml::parse_error) << text;
    EXPECT_NO_THROW(ConfigDocument{""});  // an empty package entry: no keys at all
}

// rapidxml descends once per level, so deep nesting would overflow the
// stack of the thread that parses; the depth is checked before it parses.
TEST(ConfigDocument, RefusesNestingDeeperThanTheLimitBeforeParsing) {
    const auto nested = [](std::size_t depth, const std::string& inner) {
        std::string text;
        for (std::size_t i = 0; i < depth; ++i) text += "<A>";
        text += inner;
        for (std::size_t i = 0; i < depth; ++i) text += "</A>";
        return text;
    };
    // Deep enough to overflow any thread's stack: refused, with the opening
    // tag that goes too deep as the error's place.
    try {
        std::string opening;
        for (int i = 0; i < 300000; ++i) opening += "<A>";
        ConfigDocument{opening};
        ADD_FAILURE() << "parsed";
    } catch (const rapidxml::parse_error& error) {
        EXPECT_STREQ(error.what(), "elements nested too deeply");
    }
    EXPECT_THROW(ConfigDocument{nested(100000, "")}, rapidxml::parse_error);
    EXPECT_THROW(ConfigDocument{nested(XmlNesting::kMaximumDepth + 1, "")}, rapidxml::parse_error);
    EXPECT_EQ(ConfigDocument{nested(XmlNesting::kMaximumDepth, "")}.get(L"A"), "");

    // Markup that opens no element counts no level; closing tags hidden
    // where the parser skips them close none.
    const std::string flat = "<!-- <A><A> --><![CDATA[<A><A>]]><?pi <A><A>?><B x='/>' y=\"<A>\"/>";
    EXPECT_NO_THROW(ConfigDocument{nested(1, flat)});
    EXPECT_EQ(XmlNesting::findExcess(nested(1, flat + flat), 2), XmlNesting::kWithinLimit);
    const std::string hidden = "<!DOCTYPE d [ <!ENTITY e '</A></A>'> ]><!-- </A> -->";
    EXPECT_EQ(XmlNesting::findExcess("<A><A>" + hidden + "<A></A></A></A>", 2), 6 + hidden.size());
}

}  // namespace
