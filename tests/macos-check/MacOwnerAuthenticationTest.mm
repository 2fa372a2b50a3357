// The Mac's owner authentication on GNUstep, against a fake LAContext that replies from
// a thread of its own, as LocalAuthentication's private queue does.
#import <Foundation/Foundation.h>
#import <LocalAuthentication/LocalAuthentication.h>

#include <gtest/gtest.h>

#include <Block.h>
#include <dispatch/dispatch.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>

#include "base/Log.h"
#include "platform/macos/MacOwnerAuthentication.h"
#include "tests/macos-check/AppleFakes.h"

using platform::macos::MacOwnerAuthentication;
using Outcome = platform::OwnerAuthentication::Outcome;

namespace platform {
static void PrintTo(OwnerAuthentication::Outcome outcome, std::ostream* out) {
    static const char* const names[] = {"Granted", "Denied", "Cancelled", "Unavailable"};
    *out << names[static_cast<int>(outcome)];
}
}  // namespace platform

namespace {

// What the fake context answers, and what it was asked.
struct Evaluation {
    bool canEvaluate = true;
    bool success = false;
    NSError* error = nil;               // the reply's, or canEvaluatePolicy's when it cannot
    std::function<void()> beforeReply;  // runs on the reply's thread
    int asked = 0;
    std::string reason;
    std::atomic<bool> repliedOnMainThread = false;
};
Evaluation* evaluation = nullptr;

}  // namespace

NSString* const LAErrorDomain = @"com.apple.LocalAuthentication";

@implementation LAContext
- (BOOL)canEvaluatePolicy:(LAPolicy)policy error:(NSError**)error {
    if (!evaluation->canEvaluate && error) *error = evaluation->error;
    return evaluation->canEvaluate;
}
- (void)evaluatePolicy:(LAPolicy)policy
       localizedReason:(NSString*)reason
                 reply:(void (^)(BOOL success, NSError* error))reply {
    ++evaluation->asked;
    evaluation->reason = [reason UTF8String];
    void (^copied)(BOOL, NSError*) = Block_copy(reply);
    NSError* error = [evaluation->error retain];
    const BOOL success = evaluation->success;
    apple_fakes::runElsewhere([copied, error, success] {
        if (evaluation->beforeReply) evaluation->beforeReply();
        evaluation->repliedOnMainThread = [NSThread isMainThread];
        copied(success, error);
        Block_release(copied);
        [error release];
    });
}
@end

namespace {

class MacOwnerAuthenticationTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = [[NSAutoreleasePool alloc] init];
        evaluation = &answers;
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
    }
    void TearDown() override {
        lendmode::log::setSink({});
        evaluation = nullptr;
        [pool drain];
    }
    static NSError* laError(NSInteger code) {
        return [NSError errorWithDomain:LAErrorDomain code:code userInfo:nil];
    }
    NSAutoreleasePool* pool = nil;
    Evaluation answers;
};

// Only a wrong password is Denied: the lock asks again after it and the gate counts it
// towards the wait. A question that ended unanswered is Cancelled; one the system cannot
// ask, or an error nobody expects, is Unavailable, which the lock says in an alert.
TEST_F(MacOwnerAuthenticationTest, OnlyAWrongAnswerIsDenied) {
    const struct {
        NSError* error;
        Outcome wanted;
        const char* what;
    } cases[] = {
        {laError(LAErrorAuthenticationFailed), Outcome::Denied, "a wrong password"},
        {laError(LAErrorUserCancel), Outcome::Cancelled, "the owner cancelled"},
        {laError(LAErrorUserFallback), Outcome::Cancelled, "the fallback button"},
        {laError(LAErrorSystemCancel), Outcome::Cancelled, "the system cancelled"},
        {laError(LAErrorAppCancel), Outcome::Cancelled, "the program cancelled"},
        {laError(LAErrorInvalidContext), Outcome::Cancelled,
         "an invalidated context: the next has a new one"},
        {laError(LAErrorPasscodeNotSet), Outcome::Unavailable, "no password"},
        {laError(LAErrorBiometryNotAvailable), Outcome::Unavailable, "no biometry"},
        {laError(LAErrorBiometryNotEnrolled), Outcome::Unavailable, "no fingerprint"},
        {laError(LAErrorBiometryLockout), Outcome::Unavailable, "biometry locked"},
        {laError(LAErrorWatchNotAvailable), Outcome::Unavailable, "no watch"},
        {laError(LAErrorBiometryNotPaired), Outcome::Unavailable, "no paired accessory"},
        {laError(LAErrorBiometryDisconnected), Outcome::Unavailable, "the accessory disconnected"},
        {laError(LAErrorInvalidDimensions), Outcome::Unavailable, "invalid dimensions"},
        {laError(LAErrorNotInteractive), Outcome::Unavailable, "no interface may be shown"},
        {laError(-99), Outcome::Unavailable, "a code LocalAuthentication does not document"},
        {[NSError errorWithDomain:NSCocoaErrorDomain code:-1 userInfo:nil], Outcome::Unavailable,
         "-1 of another domain"},
        {nil, Outcome::Unavailable, "no error"},
    };
    for (const auto& c : cases) {
        answers.error = c.error;
        EXPECT_EQ(MacOwnerAuthentication().authenticate("turn Lendmode off"), c.wanted) << c.what;
    }
    EXPECT_EQ(answers.asked, static_cast<int>(std::size(cases)));

    answers.success = true;
    answers.error = nil;
    EXPECT_EQ(MacOwnerAuthentication().authenticate("turn Lendmode off"), Outcome::Granted);

    // A policy the system cannot evaluate: nobody is asked.
    answers.canEvaluate = false;
    answers.error = laError(LAErrorPasscodeNotSet);
    EXPECT_EQ(MacOwnerAuthentication().authenticate("turn Lendmode off"), Outcome::Unavailable);
    EXPECT_EQ(answers.asked, static_cast<int>(std::size(cases)) + 1);
}

TEST_F(MacOwnerAuthenticationTest, OnTheMainThreadTheRunLoopKeepsGoingUntilTheReplyComes) {
    answers.success = true;
    // The reply waits for something on the main thread, as the system's dialog may.
    static std::atomic<bool> ranOnMainThread;
    ranOnMainThread = false;
    answers.beforeReply = [] {
        dispatch_async(dispatch_get_main_queue(), ^{
          ranOnMainThread = [NSThread isMainThread];
        });
        for (int i = 0; i < 200 && !ranOnMainThread; ++i) usleep(10000);
    };
    EXPECT_EQ(MacOwnerAuthentication().authenticate("turn Lendmode off"), Outcome::Granted);
    EXPECT_TRUE(ranOnMainThread) << "the main thread waited without running its run loop";
    EXPECT_FALSE(answers.repliedOnMainThread);
    EXPECT_EQ(answers.reason, "turn Lendmode off");
}

TEST_F(MacOwnerAuthenticationTest, ElsewhereTheCallerWaitsForTheReply) {
    answers.success = true;
    answers.beforeReply = [] { usleep(100000); };
    static std::atomic<bool> done;
    static std::atomic<Outcome> outcome;
    done = false;
    outcome = Outcome::Denied;
    apple_fakes::runElsewhere([] {
        outcome = MacOwnerAuthentication().authenticate("");
        done = true;
    });
    ASSERT_TRUE(apple_fakes::runMainLoopUntil([] { return done.load(); }));
    EXPECT_EQ(outcome, Outcome::Granted);
    EXPECT_EQ(answers.reason, "unlock Lendmode") << "the system refuses an empty reason";
}

}  // namespace
