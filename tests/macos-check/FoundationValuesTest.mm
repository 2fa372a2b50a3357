// The conversions between property-list values and Foundation objects that the Mac's
// user-defaults store relies on, run on GNUstep base (manual reference counting).
#import <Foundation/Foundation.h>

#include <gtest/gtest.h>

#include "platform/macos/FoundationValues.h"

using plist::Array;
using plist::Dictionary;
using plist::Value;
using platform::macos::foundationObject;
using platform::macos::plistValue;
using platform::macos::utf8String;

namespace {

// Every kind of value a stored set holds, nested as stored sets nest them.
Value everyKind() {
    return Value(Dictionary{
        {"text", "Größe ✓ \"quoted\""},
        {"with NUL", std::string("a\0b", 3)},
        {"empty", ""},
        {"big", 1LL << 40},
        {"negative", -7},
        {"one", 1},
        {"real", 0.5},
        {"whole real", 2.0},
        {"four-byte real", Value::singleReal(0.12f)},
        {"yes", true},
        {"no", false},
        {"date", plist::Date{1.7e9 + 0.25}},
        {"data", plist::Data{0, 1, 0, 255}},
        {"sets", Array{Array{Array{"Chess", true}, Array{"Slack", false}}, Array{}}},
        {"nested", Dictionary{{"inner", Dictionary{}}}},
    });
}

TEST(FoundationValues, EveryKindOfValueComesBackAsItWent) {
    @autoreleasepool {
        const Value original = everyKind();
        id object = foundationObject(original);
        ASSERT_NE(object, nil);
        const auto back = plistValue(object);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, original);
        // Booleans stay booleans and 1 stays a number, never one for the other.
        EXPECT_TRUE(back->find("yes")->isBoolean());
        EXPECT_TRUE(back->find("one")->isInteger());
        EXPECT_TRUE(back->find("whole real")->isReal());
        EXPECT_TRUE(back->find("four-byte real")->isSingleReal()) << "a float stays four bytes";
    }
}

TEST(FoundationValues, TextThatIsNotUtf8IsRefusedRatherThanStoredAsSomethingElse) {
    @autoreleasepool {
        const std::string invalid = "Caf\xe9";  // Latin-1, not UTF-8
        EXPECT_EQ(foundationObject(Value(invalid)), nil);
        EXPECT_EQ(foundationObject(Value(Array{"fine", invalid})), nil);
        EXPECT_EQ(foundationObject(Value(Dictionary{{invalid, 1}})), nil) << "a key";
        EXPECT_EQ(foundationObject(Value(Dictionary{{"k", Array{Dictionary{{"deep", invalid}}}}})), nil);
    }
}

TEST(FoundationValues, ObjectsThatAreNoPropertyListGiveNothing) {
    @autoreleasepool {
        EXPECT_FALSE(plistValue([NSNull null]).has_value());
        EXPECT_FALSE(plistValue(nil).has_value());
        EXPECT_FALSE(plistValue([NSArray arrayWithObjects:@"a", [NSNull null], nil]).has_value());
        NSDictionary* numberKey = [NSDictionary dictionaryWithObject:@"v" forKey:[NSNumber numberWithInt:1]];
        EXPECT_FALSE(plistValue(numberKey).has_value());
        NSDictionary* deep = [NSDictionary dictionaryWithObject:[NSArray arrayWithObject:numberKey]
                                                         forKey:@"k"];
        EXPECT_FALSE(plistValue(deep).has_value());
    }
}

TEST(FoundationValues, Utf8KeepsNulAndGivesEmptyForNil) {
    @autoreleasepool {
        EXPECT_EQ(utf8String(platform::macos::foundationString(std::string("x\0y", 3))),
                  std::string("x\0y", 3));
        EXPECT_EQ(utf8String(nil), "");
        EXPECT_EQ(utf8String(platform::macos::foundationString("\xff")), "") << "not UTF-8 becomes empty";
    }
}

}  // namespace
