// LocalAuthentication as Apple declares it, for what the owner lock uses: LAContext's
// policy evaluation (LAContext.h) and the error codes of its answers (LAError.h).
#pragma once
#include <Availability.h>
#import <Foundation/Foundation.h>

typedef NS_ENUM(NSInteger, LAPolicy) {
    LAPolicyDeviceOwnerAuthentication API_AVAILABLE(macos(10.11)) = 2,
} API_AVAILABLE(macos(10.10));

// Every code LAError.h gives on macOS (Apple: LocalAuthentication, "LAError.Code",
// https://developer.apple.com/documentation/localauthentication/laerror-swift.struct/code).
typedef NS_ENUM(NSInteger, LAError) {
    LAErrorAuthenticationFailed = -1,
    LAErrorUserCancel = -2,
    LAErrorUserFallback = -3,
    LAErrorSystemCancel = -4,
    LAErrorPasscodeNotSet = -5,
    LAErrorBiometryNotAvailable API_AVAILABLE(macos(10.13)) = -6,
    LAErrorBiometryNotEnrolled API_AVAILABLE(macos(10.13)) = -7,
    LAErrorBiometryLockout API_AVAILABLE(macos(10.13)) = -8,
    LAErrorAppCancel API_AVAILABLE(macos(10.11)) = -9,
    LAErrorInvalidContext API_AVAILABLE(macos(10.11)) = -10,
    LAErrorWatchNotAvailable API_AVAILABLE(macos(10.15)) = -11,
    LAErrorBiometryNotPaired API_AVAILABLE(macos(11.2)) = -12,
    LAErrorBiometryDisconnected API_AVAILABLE(macos(11.2)) = -13,
    LAErrorInvalidDimensions API_AVAILABLE(macos(11.2)) = -14,
    LAErrorNotInteractive = -1004,
} API_AVAILABLE(macos(10.10));

extern NSString* const LAErrorDomain API_AVAILABLE(macos(10.11));

API_AVAILABLE(macos(10.10))
@interface LAContext : NSObject
- (BOOL)canEvaluatePolicy:(LAPolicy)policy error:(NSError**)error;
- (void)evaluatePolicy:(LAPolicy)policy
       localizedReason:(NSString*)localizedReason
                 reply:(void (^)(BOOL success, NSError* error))reply;
@end
