#include "platform/macos/MacOwnerAuthentication.h"

#import <Foundation/Foundation.h>
#import <LocalAuthentication/LocalAuthentication.h>

#include <string>
#include <utility>

#include "base/Log.h"
#include "platform/macos/FoundationValues.h"
#include "platform/macos/Handover.h"

namespace platform::macos {
namespace {

using Outcome = OwnerAuthentication::Outcome;

// The evaluation's answer, handed over from LocalAuthentication's private queue, with
// why it was not granted (for the log).
using Answer = std::pair<Outcome, std::string>;

// What a failed evaluation means for the lock; never Granted. Only a wrong password
// (LAErrorAuthenticationFailed) is Denied: the lock asks again after it, and the gate
// counts it towards the wait. A question that ended without an answer is Cancelled,
// and so is an invalidated context, since the next question has a new one. Anything
// else is Unavailable, which the lock tells in an alert instead of asking again: no
// password set, biometry or a paired device the system cannot use (LAErrorBiometry*,
// LAErrorWatchNotAvailable), an interface it may not show (LAErrorNotInteractive), a
// code or domain LocalAuthentication does not document, no error at all.
Outcome outcomeOfFailure(NSError* error) {
    if (error == nil || ![error.domain isEqualToString:LAErrorDomain]) return Outcome::Unavailable;
    switch (error.code) {
        case LAErrorAuthenticationFailed: return Outcome::Denied;
        case LAErrorUserCancel:
        case LAErrorSystemCancel:
        case LAErrorAppCancel:
        case LAErrorUserFallback:
        case LAErrorInvalidContext: return Outcome::Cancelled;
        default: return Outcome::Unavailable;
    }
}

// The failure for the log: its description, domain and code.
std::string failureText(NSError* error) {
    if (error == nil) return "no error given";
    return utf8String(error.localizedDescription) + " (" + utf8String(error.domain) + " " +
           std::to_string(error.code) + ")";
}

}  // namespace

OwnerAuthentication::Outcome MacOwnerAuthentication::authenticate(const std::string& reason) {
    auto handover = makeHandover<Answer>();
    Answer answer;
    @autoreleasepool {
        // Kept to the end of the scope: releasing the context would cancel the question.
        __attribute__((objc_precise_lifetime)) LAContext* context = [[LAContext alloc] init];
        NSError* error = nil;
        if (![context canEvaluatePolicy:LAPolicyDeviceOwnerAuthentication error:&error]) {
            lendmode::log::error("owner authentication cannot be asked: " +
                                 utf8String(error.localizedDescription));
            return Outcome::Unavailable;
        }
        // The system shows "Lendmode is trying to <reason>." and refuses an empty reason.
        NSString* why = foundationString(reason.empty() ? std::string("unlock Lendmode") : reason);
        [context evaluatePolicy:LAPolicyDeviceOwnerAuthentication
                localizedReason:why
                          reply:^(BOOL success, NSError* failure) {
                            const Outcome outcome = success ? Outcome::Granted : outcomeOfFailure(failure);
                            const std::string text = success ? std::string() : failureText(failure);
                            handover->give({outcome, text});
                          }];

        // The reply comes on a private queue; the main thread's run loop keeps going
        // meanwhile, so that nothing the dialog or the program needs from it waits.
        answer = *handover->take();
    }
    const auto& [outcome, error] = answer;
    if (outcome != Outcome::Granted && !error.empty()) lendmode::log::info("owner authentication: " + error);
    return outcome;
}

}  // namespace platform::macos
