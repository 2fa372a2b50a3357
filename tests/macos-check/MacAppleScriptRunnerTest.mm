// The Mac's AppleScript runner on GNUstep, against a fake NSAppleScript whose results
// are fake Apple event descriptors: lists counted from 1, as Apple's are, and the error
// dictionary's entries, any of which may be missing.
#import <Foundation/Foundation.h>

#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "base/Log.h"
#include "platform/macos/MacAppleScriptRunner.h"
#include "tests/macos-check/AppleFakes.h"

using platform::macos::MacAppleScriptRunner;
using Items = std::optional<std::vector<std::string>>;

NSString* const NSAppleScriptErrorMessage = @"NSAppleScriptErrorMessage";
NSString* const NSAppleScriptErrorBriefMessage = @"NSAppleScriptErrorBriefMessage";
NSString* const NSAppleScriptErrorNumber = @"NSAppleScriptErrorNumber";

// A descriptor of text, of a list of descriptors, or of nothing (typeNull).
@interface FakeDescriptor : NSAppleEventDescriptor {
    DescType type_;
    NSString* text_;
    NSArray* items_;
}
+ (instancetype)text:(NSString*)text;
+ (instancetype)list:(NSArray*)items;
+ (instancetype)null;
@end

@implementation FakeDescriptor
+ (instancetype)text:(NSString*)text {
    FakeDescriptor* descriptor = [[[FakeDescriptor alloc] init] autorelease];
    descriptor->type_ = 0x75746638;  // 'utf8'
    descriptor->text_ = [text copy];
    return descriptor;
}
+ (instancetype)list:(NSArray*)items {
    FakeDescriptor* descriptor = [[[FakeDescriptor alloc] init] autorelease];
    descriptor->type_ = typeAEList;
    descriptor->items_ = [items copy];
    return descriptor;
}
+ (instancetype)null {
    FakeDescriptor* descriptor = [[[FakeDescriptor alloc] init] autorelease];
    descriptor->type_ = typeNull;
    return descriptor;
}
- (DescType)descriptorType {
    return type_;
}
- (NSInteger)numberOfItems {
    return static_cast<NSInteger>(items_.count);
}
- (NSString*)stringValue {
    return text_;
}
- (NSAppleEventDescriptor*)coerceToDescriptorType:(DescType)type {
    return type == type_ ? self : nil;
}
- (NSAppleEventDescriptor*)descriptorAtIndex:(NSInteger)index {
    if (index < 1 || index > static_cast<NSInteger>(items_.count)) return nil;
    return [items_ objectAtIndex:static_cast<NSUInteger>(index - 1)];
}
- (void)dealloc {
    [text_ release];
    [items_ release];
    [super dealloc];
}
@end

namespace {

// What the next script gives: a result, or the error dictionary.
struct NextRun {
    NSAppleEventDescriptor* result = nil;
    NSDictionary* error = nil;
    std::vector<std::string> sources;
    std::atomic<bool> ranOnMainThread = false;
};
NextRun* run = nullptr;

}  // namespace

@implementation NSAppleScript (AppleOnly)
- (instancetype)initWithSource:(NSString*)source {
    run->sources.push_back([source UTF8String]);
    return self;
}
- (NSAppleEventDescriptor*)executeAndReturnError:(NSDictionary<NSString*, id>**)errorInfo {
    run->ranOnMainThread = [NSThread isMainThread];
    if (run->error && errorInfo) *errorInfo = run->error;
    return run->error ? nil : run->result;
}
@end

namespace {

class MacAppleScriptRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = [[NSAutoreleasePool alloc] init];
        run = &next;
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
    }
    void TearDown() override {
        lendmode::log::setSink({});
        run = nullptr;
        [pool drain];
    }

    NSAutoreleasePool* pool = nil;
    NextRun next;
    MacAppleScriptRunner runner;
};

TEST_F(MacAppleScriptRunnerTest, AListGivesEachOfItsItemsInOrder) {
    next.result = [FakeDescriptor
        list:[NSArray arrayWithObjects:[FakeDescriptor text:@"Chess"], [FakeDescriptor list:[NSArray array]],
                                       [FakeDescriptor text:@"Slack"], nil]];
    EXPECT_EQ(runner.execute("return {\"Chess\", {}, \"Slack\"}"),
              Items(std::vector<std::string>{"Chess", "", "Slack"}))
        << "from the first to the last; an item without text is empty";
    EXPECT_EQ(next.sources, std::vector<std::string>{"return {\"Chess\", {}, \"Slack\"}"});

    next.result = [FakeDescriptor text:@"one"];
    EXPECT_EQ(runner.execute("return \"one\""), Items(std::vector<std::string>{"one"}));
    next.result = [FakeDescriptor list:[NSArray array]];
    EXPECT_EQ(runner.execute("return {}"), Items(std::vector<std::string>{}));
    next.result = [FakeDescriptor null];
    EXPECT_EQ(runner.execute("beep"), Items(std::vector<std::string>{})) << "no result";
}

// As osascript prints it: the message and the number, which the engine reads to tell a
// refused automation (-1743) or UI scripting (-1719).
TEST_F(MacAppleScriptRunnerTest, AnErrorIsTheMessageAndTheNumber) {
    const struct {
        NSDictionary* error;
        std::string wanted;
    } cases[] = {
        {[NSDictionary
             dictionaryWithObjectsAndKeys:@"System Events got an error: Not allowed assistive access.",
                                          NSAppleScriptErrorMessage, @"Not allowed assistive access.",
                                          NSAppleScriptErrorBriefMessage, [NSNumber numberWithInt:-1719],
                                          NSAppleScriptErrorNumber, nil],
         "System Events got an error: Not allowed assistive access. (-1719)"},
        {[NSDictionary dictionaryWithObjectsAndKeys:@"Not authorized to send Apple events to System Events.",
                                                    NSAppleScriptErrorBriefMessage,
                                                    [NSNumber numberWithInt:-1743], NSAppleScriptErrorNumber,
                                                    nil],
         "Not authorized to send Apple events to System Events. (-1743)"},
        {[NSDictionary
             dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:-2753], NSAppleScriptErrorNumber, nil],
         "The script stopped with an error. (-2753)"},
        // AppleScript's own number for an error that gives none.
        {[NSDictionary dictionaryWithObjectsAndKeys:@"Oops.", NSAppleScriptErrorMessage, nil],
         "Oops. (-2700)"},
        {[NSDictionary dictionary], "The script stopped with an error. (-2700)"},
    };
    for (const auto& c : cases) {
        next.error = c.error;
        std::string error;
        EXPECT_EQ(runner.execute("tell application \"System Events\" to click", error), std::nullopt);
        EXPECT_EQ(error, c.wanted);
    }

    // No result is an error too, even without the dictionary.
    next.error = nil;
    next.result = nil;
    std::string error;
    EXPECT_EQ(runner.execute("return", error), std::nullopt);
    EXPECT_EQ(error, "The script stopped with an error. (-2700)");
}

TEST_F(MacAppleScriptRunnerTest, FromAnotherThreadTheScriptRunsOnTheMainThread) {
    next.result = [FakeDescriptor text:@"done"];
    static std::atomic<bool> finished;
    static Items items;
    finished = false;
    MacAppleScriptRunner* shared = &runner;
    apple_fakes::runElsewhere([shared] {
        items = shared->execute("return \"done\"");
        finished = true;
    });
    ASSERT_TRUE(apple_fakes::runMainLoopUntil([] { return finished.load(); }));
    EXPECT_TRUE(next.ranOnMainThread);
    EXPECT_EQ(items, Items(std::vector<std::string>{"done"}));

    next.error = [NSDictionary dictionaryWithObjectsAndKeys:@"Nope.", NSAppleScriptErrorMessage,
                                                            [NSNumber numberWithInt:-1743],
                                                            NSAppleScriptErrorNumber, nil];
    static std::string error;
    finished = false;
    apple_fakes::runElsewhere([shared] {
        items = shared->execute("return \"done\"", error);
        finished = true;
    });
    ASSERT_TRUE(apple_fakes::runMainLoopUntil([] { return finished.load(); }));
    EXPECT_EQ(items, std::nullopt);
    EXPECT_EQ(error, "Nope. (-1743)") << "the error reaches the calling thread";
}

}  // namespace
