// What Apple's Foundation and AppKit declare and GNUstep's do not (or declares without
// Apple's availability), for the classes the native layer uses. Each declaration is
// Apple's, from its documentation, with the availability given there. The check
// includes this before every file, after GNUstep's own headers.
#pragma once
#import <AppKit/AppKit.h>
#include <Availability.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreServices/CoreServices.h>
#import <Foundation/Foundation.h>

NS_ASSUME_NONNULL_BEGIN

// ---- Foundation: NSAppleScript and NSAppleEventDescriptor (empty in GNUstep) ----
// The keys of the error dictionary that compiling or running a script fills in, any of
// them possibly absent: the full message and the error number, the application that
// raised it, a one-line message, and the NSRange (an NSValue) of the source it is about
// (Apple: Foundation, "Error Dictionary Keys",
// https://developer.apple.com/documentation/foundation/error-dictionary-keys).
extern NSString* const NSAppleScriptErrorMessage API_AVAILABLE(macos(10.2));
extern NSString* const NSAppleScriptErrorNumber API_AVAILABLE(macos(10.2));
extern NSString* const NSAppleScriptErrorAppName API_AVAILABLE(macos(10.2));
extern NSString* const NSAppleScriptErrorBriefMessage API_AVAILABLE(macos(10.2));
extern NSString* const NSAppleScriptErrorRange API_AVAILABLE(macos(10.2));

@interface NSAppleScript (AppleOnly)
- (nullable instancetype)initWithSource:(NSString*)source;
- (NSAppleEventDescriptor*)executeAndReturnError:(NSDictionary<NSString*, id>* _Nullable* _Nullable)errorInfo;
@end

@interface NSAppleEventDescriptor (AppleOnly)
@property(readonly) DescType descriptorType;
@property(readonly) NSInteger numberOfItems;
@property(nullable, readonly, copy) NSString* stringValue;
- (nullable NSAppleEventDescriptor*)coerceToDescriptorType:(DescType)descriptorType;
- (nullable NSAppleEventDescriptor*)descriptorAtIndex:(NSInteger)index;
@end

// ---- Foundation: the version of the running macOS (10.10) ----
typedef struct {
    NSInteger majorVersion;
    NSInteger minorVersion;
    NSInteger patchVersion;
} NSOperatingSystemVersion;

@interface NSProcessInfo (AppleOnly)
@property(readonly) NSOperatingSystemVersion operatingSystemVersion API_AVAILABLE(macos(10.10));
@end

// ---- Foundation: NSTask's launch by URL (10.13), which reports a failure as an NSError
// where the launch by path raises (the path-based calls are in refused-apis.txt; Apple:
// https://developer.apple.com/documentation/foundation/process) ----
@interface NSTask (AppleOnly)
@property(nullable, copy) NSURL* executableURL API_AVAILABLE(macos(10.13));
@property(nullable, copy) NSURL* currentDirectoryURL API_AVAILABLE(macos(10.13));
@property(nullable, copy) void (^terminationHandler)(NSTask*) API_AVAILABLE(macos(10.7));
- (BOOL)launchAndReturnError:(NSError**)error API_AVAILABLE(macos(10.13));
+ (nullable NSTask*)launchedTaskWithExecutableURL:(NSURL*)url
                                        arguments:(NSArray<NSString*>*)arguments
                                            error:(NSError**)error
                               terminationHandler:(void (^_Nullable)(NSTask*))terminationHandler
    API_AVAILABLE(macos(10.13));
@end

// ---- Foundation: key-value observing, the removal that names its context (10.7) ----
@interface NSObject (AppleOnlyKeyValueObserving)
- (void)removeObserver:(NSObject*)observer
            forKeyPath:(NSString*)keyPath
               context:(nullable void*)context API_AVAILABLE(macos(10.7));
@end

// ---- AppKit: the application ----
typedef NSString* NSAppearanceName;

@interface NSApplication (AppleOnly)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
- (NSApplicationActivationPolicy)activationPolicy;
- (void)activate API_AVAILABLE(macos(14.0));
@property(readonly, strong) NSAppearance* effectiveAppearance API_AVAILABLE(macos(10.14));
@end

// ---- AppKit: the status item's button (10.10); the item's own image, title, tooltip,
// target and action are deprecated since 10.14 ----
@interface NSStatusItem (AppleOnly)
@property(readonly, strong, nullable) NSStatusBarButton* button API_AVAILABLE(macos(10.10));
@end

// ---- AppKit: event types and masks under their 10.12 names (GNUstep has only the
// older NSLeftMouseUp and NSLeftMouseUpMask spellings) ----
enum : NSEventType {
    NSEventTypeLeftMouseUp = 2,
    NSEventTypeRightMouseUp = 4,
};

enum : NSEventMask {
    NSEventMaskLeftMouseUp = 1ULL << NSEventTypeLeftMouseUp,
    NSEventMaskRightMouseUp = 1ULL << NSEventTypeRightMouseUp,
};

// ---- AppKit: the workspace ----
extern NSString* const NSWorkspaceApplicationKey API_AVAILABLE(macos(10.6));

@interface NSWorkspace (AppleOnly)
- (nullable NSURL*)URLForApplicationToOpenURL:(NSURL*)url API_AVAILABLE(macos(10.6));
- (nullable NSURL*)URLForApplicationWithBundleIdentifier:(NSString*)bundleIdentifier
    API_AVAILABLE(macos(10.6));
- (NSArray<NSURL*>*)URLsForApplicationsToOpenURL:(NSURL*)url API_AVAILABLE(macos(12.0));
- (void)setDefaultApplicationAtURL:(NSURL*)applicationURL
              toOpenURLsWithScheme:(NSString*)urlScheme
                 completionHandler:(void (^_Nullable)(NSError* _Nullable error))completionHandler
    API_AVAILABLE(macos(12.0));
@end

// Starting an application: the configuration object and its asynchronous calls (10.15),
// and the synchronous call they replace (deprecated in 11.0).
typedef NSString* NSWorkspaceLaunchConfigurationKey;

API_AVAILABLE(macos(10.15))
@interface NSWorkspaceOpenConfiguration : NSObject <NSCopying>
+ (instancetype)configuration;
@property BOOL activates;
@property BOOL hides;
@end

@interface NSWorkspace (AppleOnlyLaunching)
- (void)openApplicationAtURL:(NSURL*)applicationURL
               configuration:(NSWorkspaceOpenConfiguration*)configuration
           completionHandler:(void (^_Nullable)(NSRunningApplication* _Nullable app,
                                                NSError* _Nullable error))completionHandler
    API_AVAILABLE(macos(10.15));
- (void)openURL:(NSURL*)url
        configuration:(NSWorkspaceOpenConfiguration*)configuration
    completionHandler:
        (void (^_Nullable)(NSRunningApplication* _Nullable app, NSError* _Nullable error))completionHandler
    API_AVAILABLE(macos(10.15));
- (void)openURLs:(NSArray<NSURL*>*)urls
    withApplicationAtURL:(NSURL*)applicationURL
           configuration:(NSWorkspaceOpenConfiguration*)configuration
       completionHandler:
           (void (^_Nullable)(NSRunningApplication* _Nullable app, NSError* _Nullable error))completionHandler
    API_AVAILABLE(macos(10.15));
- (nullable NSRunningApplication*)
    launchApplicationAtURL:(NSURL*)url
                   options:(NSWorkspaceLaunchOptions)options
             configuration:(NSDictionary<NSWorkspaceLaunchConfigurationKey, id>*)configuration
                     error:(NSError**)error
    API_DEPRECATED("Use -[NSWorkspace openApplicationAtURL:configuration:completionHandler:] instead.",
                   macos(10.6, 11.0));
@end

// ---- AppKit: images made from Core Graphics ----
@interface NSImage (AppleOnly)
- (instancetype)initWithCGImage:(CGImageRef)cgImage size:(NSSize)size API_AVAILABLE(macos(10.6));
// A template image: drawn by the system in the colour of where it is shown (10.5).
// Objective-C++ reaches it through the methods: `template` is a C++ keyword.
- (BOOL)isTemplate API_AVAILABLE(macos(10.5));
- (void)setTemplate:(BOOL)isTemplate API_AVAILABLE(macos(10.5));
@end

NS_ASSUME_NONNULL_END
