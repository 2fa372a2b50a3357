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

// What a failed evaluation means for the lock. Anything unexpected denies: it must
// never open the lock, and the gate counts it like a wrong password.
Outcome outcomeOfFailure(NSError* error) {
    if (error == nil || ![error.domain isEqualToString:LAErrorDomain]) return Outcome::Denied;
    switch (error.code) {
        case LAErrorUserCancel:
        case LAErrorSystemCancel:
        case LAErrorAppCancel:
        case LAErrorUserFallback: return Outcome::Cancelled;
        case LAErrorPasscodeNotSet: return Outcome::Unavailable;
        case LAErrorAuthenticationFailed:
        default: return Outcome::Denied;
    }
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
                            const std::string text =
                                success ? std::string() : utf8String(failure.localizedDescription);
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
