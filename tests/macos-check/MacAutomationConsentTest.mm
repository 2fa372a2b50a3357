// The Mac's automation consent on GNUstep, against fake Apple-event functions and the
// fake workspace: which target is asked about, how one that is not running is started,
// and what the system's answers mean for the port.
#import <Foundation/Foundation.h>

#include <ApplicationServices/ApplicationServices.h>
#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Log.h"
#include "platform/macos/MacAutomationConsent.h"
#include "tests/macos-check/AppleFakes.h"

using platform::macos::MacAutomationConsent;

namespace {

// AEDeterminePermissionToAutomateTarget's answer, and each question it was asked.
struct Question {
    DescType addressType;
    std::string target;
    bool wildCard;
    bool askUserIfNeeded;
    bool onMainThread;
};
struct AppleEvents {
    OSStatus answer = noErr;
    std::vector<Question> questions;
    int descriptors = 0;  // made and not disposed of
};
AppleEvents* events = nullptr;

}  // namespace

OSErr AECreateDesc(DescType typeCode, const void* dataPtr, size_t dataSize, AEDesc* result) {
    result->descriptorType = typeCode;
    result->dataHandle =
        reinterpret_cast<AEDataStorage>(new std::string(static_cast<const char*>(dataPtr), dataSize));
    ++events->descriptors;
    return noErr;
}

OSErr AEDisposeDesc(AEDesc* desc) {
    delete reinterpret_cast<std::string*>(desc->dataHandle);
    desc->dataHandle = nullptr;
    --events->descriptors;
    return noErr;
}

OSStatus AEDeterminePermissionToAutomateTarget(const AEAddressDesc* target, AEEventClass eventClass,
                                               AEEventID eventID, Boolean askUserIfNeeded) {
    events->questions.push_back({target->descriptorType, *reinterpret_cast<std::string*>(target->dataHandle),
                                 eventClass == typeWildCard && eventID == typeWildCard, askUserIfNeeded != 0,
                                 [NSThread isMainThread] != NO});
    return events->answer;
}

Boolean AXIsProcessTrusted(void) {
    return true;
}

namespace {

const apple_fakes::Application kSystemEvents{"System Events", "com.apple.systemevents",
                                             "/System/Library/CoreServices/System Events.app"};

class MacAutomationConsentTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = [[NSAutoreleasePool alloc] init];
        apple_fakes::reset();
        events = &appleEvents;
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
    }
    void TearDown() override {
        lendmode::log::setSink({});
        events = nullptr;
        apple_fakes::reset();
        [pool drain];
    }

    NSAutoreleasePool* pool = nil;
    AppleEvents appleEvents;
    MacAutomationConsent consent;
};

// Only a refusal keeps a switch from starting: anything else lets the script run and
// report what fails.
TEST_F(MacAutomationConsentTest, OnlyTheOwnersRefusalSaysNo) {
    apple_fakes::workspace.running = {kSystemEvents};
    const struct {
        OSStatus status;
        bool allowed;
        const char* what;
    } cases[] = {
        {noErr, true, "allowed"},
        {errAEEventNotPermitted, false, "refused (-1743)"},
        {errAEEventWouldRequireUserConsent, true, "not asked yet (-1744): the script's first event asks"},
        {procNotFound, true, "the target quit before the question (-600)"},
        {-50, true, "any other error"},
    };
    for (const auto& c : cases) {
        appleEvents.answer = c.status;
        EXPECT_EQ(consent.mayAutomate("System Events"), c.allowed) << c.what;
    }
    ASSERT_EQ(appleEvents.questions.size(), std::size(cases));
    const Question& asked = appleEvents.questions.front();
    EXPECT_EQ(asked.addressType, static_cast<DescType>(typeApplicationBundleID));
    EXPECT_EQ(asked.target, "com.apple.systemevents");
    EXPECT_TRUE(asked.wildCard) << "the consent is given per application";
    EXPECT_TRUE(asked.askUserIfNeeded);
    EXPECT_FALSE(asked.onMainThread) << "the question may wait for the owner";
    EXPECT_EQ(appleEvents.descriptors, 0) << "every descriptor disposed of";
    EXPECT_TRUE(apple_fakes::workspace.calls.empty()) << "a running target is not started";
}

TEST_F(MacAutomationConsentTest, ARunningApplicationIsFoundByItsName) {
    apple_fakes::workspace.running = {{"Chess", "com.apple.Chess", "/System/Applications/Chess.app"}};
    appleEvents.answer = errAEEventNotPermitted;
    EXPECT_FALSE(consent.mayAutomate("Chess"));
    ASSERT_EQ(appleEvents.questions.size(), 1u);
    EXPECT_EQ(appleEvents.questions[0].target, "com.apple.Chess");

    // Nothing known by the name: the script reports the failure.
    EXPECT_TRUE(consent.mayAutomate("No Such Application"));
    EXPECT_EQ(appleEvents.questions.size(), 1u);
}

// The system answers only about a running target: one that is not is started hidden
// and in the background first, by the launch its macOS has.
TEST_F(MacAutomationConsentTest, ATargetThatIsNotRunningIsStartedHiddenFirst) {
    apple_fakes::workspace.installed = {kSystemEvents};
    appleEvents.answer = errAEEventNotPermitted;
    EXPECT_FALSE(consent.mayAutomate("System Events"));
    EXPECT_EQ(apple_fakes::workspace.calls,
              std::vector<std::string>{"openApplicationAtURL: " + kSystemEvents.path + " hides"});
    ASSERT_EQ(appleEvents.questions.size(), 1u);

    apple_fakes::reset();
    apple_fakes::macOS = {10, 14};
    apple_fakes::workspace.installed = {kSystemEvents};
    EXPECT_FALSE(consent.mayAutomate("System Events"));
    EXPECT_EQ(apple_fakes::workspace.calls,
              std::vector<std::string>{"launchApplicationAtURL: " + kSystemEvents.path + " hides"});
    EXPECT_EQ(appleEvents.questions.size(), 2u);

    // A target that cannot be started is not asked about; the script reports it.
    for (const apple_fakes::Release release : {apple_fakes::Release{10, 14}, apple_fakes::Release{10, 15}}) {
        apple_fakes::reset();
        apple_fakes::macOS = release;
        apple_fakes::workspace.installed = {kSystemEvents};
        apple_fakes::workspace.startSucceeds = false;
        EXPECT_TRUE(consent.mayAutomate("System Events")) << release.major << "." << release.minor;
        EXPECT_EQ(apple_fakes::workspace.calls.size(), 1u);
    }
    EXPECT_EQ(appleEvents.questions.size(), 2u);
}

}  // namespace
