#include "sim/defaults/PlistText.h"

#include <gtest/gtest.h>

#include <string>

using plist::Array;
using plist::Data;
using plist::Date;
using plist::Dictionary;
using plist::Value;
using sim::formatDomainListing;
using sim::formatValueForRead;
using sim::quotedString;

namespace {

// 2021-01-08 12:05:53 UTC
constexpr double kSampleDate = 1610107553.0;

TEST(PlistText, ReferenceDockListingComesOutByteForByte) {
    const Dictionary dock{
        {"autohide", true},      {"autohide-time-modifier", 0.5},
        {"orientation", "left"}, {"persistent-apps", Array{Dictionary{{"tile-type", "file-tile"}}}},
        {"wvous-tl-corner", 2},  {"wvous-tl-modifier", 0},
    };
    EXPECT_EQ(formatDomainListing(dock),
              "{\n"
              "    autohide = 1;\n"
              "    \"autohide-time-modifier\" = \"0.5\";\n"
              "    orientation = left;\n"
              "    \"persistent-apps\" =     (\n"
              "                {\n"
              "            \"tile-type\" = \"file-tile\";\n"
              "        }\n"
              "    );\n"
              "    \"wvous-tl-corner\" = 2;\n"
              "    \"wvous-tl-modifier\" = 0;\n"
              "}");
}

TEST(PlistText, QuotesEverythingButNonEmptyAsciiLettersAndDigits) {
    EXPECT_EQ(quotedString("abcXYZ019"), "abcXYZ019");
    EXPECT_EQ(quotedString(""), "\"\"");
    for (const char* text : {"a-b", "a.b", "a_b", "a:b", "a/b", "a b", "$", "+1"}) {
        EXPECT_EQ(quotedString(text), std::string("\"") + text + "\"") << text;
    }
    EXPECT_EQ(quotedString("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(quotedString("C:\\dir"), "\"C:\\\\dir\"");
    EXPECT_EQ(quotedString("two\nlines\tand\rmore"), "\"two\\nlines\\tand\\rmore\"");
    EXPECT_EQ(quotedString(std::string("nul\0!", 5)), "\"nul\\U0000!\"");
}

TEST(PlistText, NonAsciiIsWrittenAsUtf16Escapes) {
    EXPECT_EQ(quotedString("caf\xC3\xA9"), "\"caf\\U00e9\"");                   // é
    EXPECT_EQ(quotedString("\xE6\x97\xA5\xE6\x9C\xAC"), "\"\\U65e5\\U672c\"");  // 日本
    EXPECT_EQ(quotedString("\xF0\x9F\x98\x80"), "\"\\Ud83d\\Ude00\"");          // U+1F600, a surrogate pair
    EXPECT_EQ(quotedString("\x7F"), "\"\\U007f\"");
    // Bytes that are not UTF-8 (a stray continuation, a cut sequence, an overlong
    // slash) still print, as replacement characters.
    EXPECT_EQ(quotedString("a\x80z"), "\"a\\Ufffdz\"");
    EXPECT_EQ(quotedString("\xE6\x97"), "\"\\Ufffd\\Ufffd\"");
    EXPECT_EQ(quotedString("\xC0\xAF"), "\"\\Ufffd\\Ufffd\"");
    // Keys follow the same rules and sort by bytes: upper case before lower case.
    EXPECT_EQ(formatDomainListing(Dictionary{{"b", 1}, {"B", 2}, {"\xC3\xA9", 3}}),
              "{\n    B = 2;\n    b = 1;\n    \"\\U00e9\" = 3;\n}");
}

TEST(PlistText, EveryScalarTypeInAListing) {
    const Dictionary d{
        {"s", "plain"},
        {"i", -7},
        {"t", true},
        {"f", false},
        {"r", 0.25},
        {"w", 48.0},
        {"d", Date{kSampleDate}},
        {"x", Data{0x01, 0x02, 0x03}},
    };
    EXPECT_EQ(formatDomainListing(d),
              "{\n"
              "    d = \"2021-01-08 12:05:53 +0000\";\n"
              "    f = 0;\n"
              "    i = \"-7\";\n"
              "    r = \"0.25\";\n"
              "    s = plain;\n"
              "    t = 1;\n"
              "    w = 48;\n"
              "    x = {length = 3, bytes = 0x010203};\n"
              "}");
}

TEST(PlistText, NestedAndEmptyContainersFollowTheIndentRule) {
    const Dictionary d{
        {"empty", Array{}},
        {"none", Dictionary{}},
        {"grid", Array{Array{1, "a b"}, Array{}}},
        {"outer", Dictionary{{"inner", Dictionary{{"k", "v"}}}}},
    };
    EXPECT_EQ(formatDomainListing(d),
              "{\n"
              "    empty =     (\n"
              "    );\n"
              "    grid =     (\n"
              "                (\n"
              "            1,\n"
              "            \"a b\"\n"
              "        ),\n"
              "                (\n"
              "        )\n"
              "    );\n"
              "    none =     {\n"
              "    };\n"
              "    outer =     {\n"
              "        inner =         {\n"
              "            k = v;\n"
              "        };\n"
              "    };\n"
              "}");
    EXPECT_EQ(formatDomainListing(Dictionary{}), "{\n}");
}

TEST(PlistText, ReadingOneKeyPrintsScalarsPlainAndContainersAsListings) {
    EXPECT_EQ(formatValueForRead(true), "1");
    EXPECT_EQ(formatValueForRead(false), "0");
    EXPECT_EQ(formatValueForRead(48), "48");
    EXPECT_EQ(formatValueForRead(-3), "-3");
    EXPECT_EQ(formatValueForRead(0.5), "0.5");
    EXPECT_EQ(formatValueForRead("left"), "left");
    EXPECT_EQ(formatValueForRead("with \"quotes\",\nnew line and caf\xC3\xA9"),
              "with \"quotes\",\nnew line and caf\xC3\xA9");
    EXPECT_EQ(formatValueForRead(""), "");
    EXPECT_EQ(formatValueForRead(Date{kSampleDate}), "2021-01-08 12:05:53 +0000");
    EXPECT_EQ(formatValueForRead(Data{0x01, 0x02, 0x03}), "{length = 3, bytes = 0x010203}");
    EXPECT_EQ(formatValueForRead(Array{"en-GB", "fr", 2}), "(\n    \"en-GB\",\n    fr,\n    2\n)");
    EXPECT_EQ(formatValueForRead(Array{}), "(\n)");
    EXPECT_EQ(formatValueForRead(Array{Dictionary{{"a", 1}}}), "(\n        {\n        a = 1;\n    }\n)");
    const Dictionary d{{"k", Array{"x"}}};
    EXPECT_EQ(formatValueForRead(d), formatDomainListing(d));
}

TEST(PlistText, DatesPrintInUtcAndParseWithOffsets) {
    using sim::formatDate;
    using sim::parseDate;
    EXPECT_EQ(formatDate({kSampleDate + 0.75}), "2021-01-08 12:05:53 +0000");
    EXPECT_EQ(formatDate({0}), "1970-01-01 00:00:00 +0000");
    EXPECT_EQ(formatDate({-1}), "1969-12-31 23:59:59 +0000");
    EXPECT_EQ(formatDate({951782400}), "2000-02-29 00:00:00 +0000");

    EXPECT_EQ(parseDate("2021-01-08 12:05:53 +0000"), Date{kSampleDate});
    EXPECT_EQ(parseDate("2021-01-08 13:35:53 +0130"), Date{kSampleDate});
    EXPECT_EQ(parseDate("2021-01-08 07:05:53 -0500"), Date{kSampleDate});
    EXPECT_EQ(parseDate("2021-01-08T12:05:53Z"), Date{kSampleDate});
    EXPECT_EQ(parseDate("1969-12-31 23:59:59 +0000"), Date{-1});
    EXPECT_TRUE(parseDate("2024-02-29 00:00:00 +0000"));
    for (const char* bad :
         {"", "2021-01-08", "2021-01-08 12:05:53", "2021-01-08 12:05:53 +000", "2021-01-08 12:05:53 +0000 ",
          "2021-13-01 00:00:00 +0000", "2021-00-01 00:00:00 +0000", "2023-02-29 00:00:00 +0000",
          "2021-04-31 00:00:00 +0000", "2021-01-08 24:00:00 +0000", "2021-01-08 12:60:00 +0000",
          "2021-01-08 12:05:60 +0000", "2021/01/08 12:05:53 +0000", "2021-01-08 12:05:53 +2400",
          "20a1-01-08 12:05:53 +0000", "2021-01-08T12:05:53+0000"}) {
        EXPECT_FALSE(parseDate(bad)) << bad;
    }
}

TEST(PlistText, NumbersAreBareOnlyWhenTheirTextIsLettersAndDigits) {
    // As captured from com.apple.dock, Finder and iTerm2 listings.
    const Dictionary d{{"preferreditemsize", -1}, {"autohide-delay", 0.0}, {"tilesize", 36.0}, {"x", -147.5}};
    EXPECT_EQ(formatDomainListing(d),
              "{\n    \"autohide-delay\" = 0;\n    preferreditemsize = \"-1\";\n"
              "    tilesize = 36;\n    x = \"-147.5\";\n}");
    EXPECT_EQ(formatValueForRead(-147.5), "-147.5");
}

TEST(PlistText, RealsPrintWithAtMostSixteenSignificantDigitsAndFloatsWithTheirOwn) {
    using sim::formatReal;
    EXPECT_EQ(formatReal(0.15575926005840302), "0.155759260058403");
    EXPECT_EQ(formatReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatReal(48), "48");
    EXPECT_EQ(formatReal(0.12f, true), "0.12");
    EXPECT_EQ(formatReal(0.7788008f, true), "0.7788008");
}

TEST(PlistText, LongDataShowsItsHeadAndTail) {
    using sim::formatData;
    EXPECT_EQ(formatData({}), "{length = 0, bytes = 0x}");
    Data bytes;
    for (int i = 0; i < 24; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 11));
    EXPECT_EQ(formatData(bytes), "{length = 24, bytes = 0x000b16212c37424d58636e79848f9aa5b0bbc6d1dce7f2fd}");
    bytes.clear();
    for (int i = 0; i < 100; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
    EXPECT_EQ(formatData(bytes),
              "{length = 100, bytes = 0x00010203 04050607 08090a0b 0c0d0e0f ... 5c5d5e5f 60616263 }");
}

}  // namespace
