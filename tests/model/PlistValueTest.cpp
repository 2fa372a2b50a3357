#include <gtest/gtest.h>

#include "base/plist/Value.h"

using plist::Array;
using plist::Dictionary;
using plist::Value;

TEST(PlistValue, CopiesAreDeepAndEqualityComparesTheWholeTree) {
    Value original(Dictionary{
        {"rows", Array{Dictionary{{"ID", 41}, {"DisabledApp", Array{Array{"Chess", false, "/p"}}}}}}});
    Value copy = original;
    EXPECT_EQ(copy, original);

    // Change a leaf three levels down in the copy: the original keeps its value.
    Value* apps = (*copy.find("rows")->asArray())[0].find("DisabledApp");
    (*(*apps->asArray())[0].asArray())[1] = true;
    EXPECT_NE(copy, original);
    const Value* originalApps = (*original.find("rows")->asArray())[0].find("DisabledApp");
    EXPECT_EQ((*(*originalApps->asArray())[0].asArray())[1], Value(false));
}

TEST(PlistValue, TypesAreDistinctEvenWhenNumbersAgree) {
    EXPECT_NE(Value(1), Value(true));
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value::singleReal(0.5f), Value(0.5)) << "4 and 8 bytes print and store differently";
    EXPECT_NE(Value("1"), Value(1));
    EXPECT_TRUE(Value(1).isNumber());
    EXPECT_TRUE(Value(true).isNumber());
    EXPECT_FALSE(Value("1").isNumber());
    EXPECT_EQ(Value(plist::Date{1.5}), Value(plist::Date{1.5}));
    EXPECT_EQ(Value(plist::Data{1, 2}).type(), Value::Type::DataType);
}

TEST(PlistValue, LeadingIntegerReadsLikeTheSystemReadsToolOutput) {
    EXPECT_EQ(plist::leadingInteger("1\n"), 1);
    EXPECT_EQ(plist::leadingInteger(""), 0);
    EXPECT_EQ(plist::leadingInteger("  -42abc"), -42);
    EXPECT_EQ(plist::leadingInteger("+7"), 7);
    EXPECT_EQ(plist::leadingInteger("left"), 0);
    EXPECT_EQ(plist::leadingInteger("524288;"), 524288);
    EXPECT_EQ(plist::leadingInteger("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(plist::leadingInteger("-99999999999999999999999"), INT64_MIN);
}

TEST(PlistValue, LenientReadingsFollowFoundation) {
    EXPECT_TRUE(Value(2).truthValue());
    EXPECT_FALSE(Value(0).truthValue());
    EXPECT_TRUE(Value("YES").truthValue());
    EXPECT_TRUE(Value("true").truthValue());
    EXPECT_FALSE(Value("NO").truthValue());
    EXPECT_TRUE(Value("1").truthValue());
    EXPECT_FALSE(Value(Array{1}).truthValue());
    EXPECT_EQ(Value("0").integerValue(), 0);
    EXPECT_EQ(Value("12 monkeys").integerValue(), 12);
    EXPECT_EQ(Value(true).integerValue(), 1);
    EXPECT_EQ(Value(2.9).integerValue(), 2);
    EXPECT_EQ(Value(1e300).integerValue(), INT64_MAX);
    EXPECT_EQ(Value(Dictionary{}).integerValue(), 0);
    EXPECT_DOUBLE_EQ(Value("0.5").doubleValue(), 0.5);
}

TEST(PlistValue, FindLooksUpDictionaryMembersOnly) {
    Value d(Dictionary{{"box", true}});
    ASSERT_NE(d.find("box"), nullptr);
    EXPECT_EQ(d.find("missing"), nullptr);
    EXPECT_EQ(Value(Array{}).find("box"), nullptr);
}
