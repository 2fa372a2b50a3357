#include "platform/macos/MacOwnerAuthentication.h"

#import <Foundation/Foundation.h>
#import <LocalAuthentication/LocalAuthentication.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "base/Log.h"
#include "platform/macos/FoundationValues.h"

namespace platform::macos {
namespace {

using Outcome = OwnerAuthentication::Outcome;

// The evaluation's answer, handed over from LocalAuthentication's private queue.
struct Answer {
    std::mutex mutex;
    std::condition_variable arrived;
    bool done = false;
    Outcome outcome = Outcome::Denied;
    std::string error;  // why it was not granted, for the log
};

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
    auto answer = std::make_shared<Answer>();
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
                            const std::lock_guard lock(answer->mutex);
                            answer->outcome = outcome;
                            answer->error = text;
                            answer->done = true;
                            answer->arrived.notify_all();
                          }];

        // The reply comes on a private queue. The main thread keeps its run loop going
        // in short turns meanwhile, so that nothing the dialog or the program needs from
        // it waits on this call; a run loop with nothing to run (or another thread)
        // waits for the answer instead.
        const bool mainThread = [NSThread isMainThread];
        std::unique_lock lock(answer->mutex);
        while (!answer->done) {
            bool ran = false;
            if (mainThread) {
                lock.unlock();
                @autoreleasepool {
                    ran = [[NSRunLoop currentRunLoop] runMode:NSDefaultRunLoopMode
                                                   beforeDate:[NSDate dateWithTimeIntervalSinceNow:0.05]];
                }
                lock.lock();
            }
            if (!ran) answer->arrived.wait_for(lock, std::chrono::milliseconds(50));
        }
    }
    if (answer->outcome != Outcome::Granted && !answer->error.empty()) {
        lendmode::log::info("owner authentication: " + answer->error);
    }
    return answer->outcome;
}

}  // namespace platform::macos
