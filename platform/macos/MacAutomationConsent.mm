#include "platform/macos/MacAutomationConsent.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <ApplicationServices/ApplicationServices.h>
#include <CoreServices/CoreServices.h>
#include <dispatch/dispatch.h>

#include <chrono>
#include <string>

#include "base/Log.h"
#include "platform/macos/ApplicationBundles.h"
#include "platform/macos/FoundationValues.h"
#include "platform/macos/Handover.h"
#include "platform/posix/RealHomeDirectory.h"

namespace platform::macos {
namespace {

namespace log = lendmode::log;

// How long a target that is not running may take to start.
constexpr std::chrono::milliseconds kStartLimit = std::chrono::seconds(10);

// The identifier of the application the scripts call by this name: a system one the
// scripts address, else a running application of that name, else one installed under
// it; nil when none is known. (NSWorkspace's lookup by name, fullPathForApplication:,
// is deprecated from macOS 11 with no replacement that takes a name.)
NSString* identifierOfTarget(const std::string& name) {
    const std::string known = knownScriptedApplicationIdentifier(name);
    if (!known.empty()) return foundationString(known);
    NSString* wanted = foundationString(name);
    for (NSRunningApplication* app in NSWorkspace.sharedWorkspace.runningApplications) {
        if (app.bundleIdentifier && [app.localizedName isEqualToString:wanted]) return app.bundleIdentifier;
    }
    const std::string installed =
        bundleIdentifierAtPath(applicationNamed(name, applicationFolders(RealHomeDirectory())));
    return installed.empty() ? nil : foundationString(installed);
}

bool isRunning(NSString* identifier) {
    return [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier].count > 0;
}

// Before macOS 10.15 the synchronous launch is the only one; it is deprecated from 11
// on, where this code never runs.
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"

bool legacyStartHidden(NSURL* application) {
    NSError* error = nil;
    NSRunningApplication* app = [NSWorkspace.sharedWorkspace
        launchApplicationAtURL:application
                       options:NSWorkspaceLaunchAndHide | NSWorkspaceLaunchWithoutActivation
                 configuration:@{}
                         error:&error];
    if (!app)
        log::error("Starting " + utf8String(application.path) +
                   " failed: " + utf8String(error.localizedDescription));
    return app != nil;
}

#pragma clang diagnostic pop

// Starts the application hidden and in the background, and waits until it runs.
bool startHidden(NSString* identifier) {
    NSURL* application = [NSWorkspace.sharedWorkspace URLForApplicationWithBundleIdentifier:identifier];
    if (!application) return false;
    if (@available(macOS 10.15, *)) {
        auto started = makeHandover<bool>();
        NSWorkspaceOpenConfiguration* configuration = [NSWorkspaceOpenConfiguration configuration];
        configuration.activates = NO;
        configuration.hides = YES;
        // The handler runs on a concurrent queue of AppKit's.
        [NSWorkspace.sharedWorkspace
            openApplicationAtURL:application
                   configuration:configuration
               completionHandler:^(NSRunningApplication* app, NSError* error) {
                 if (!app) {
                     log::error("Starting " + utf8String(application.path) +
                                " failed: " + utf8String(error.localizedDescription));
                 }
                 started->give(app != nil);
               }];
        const auto outcome = started->take(kStartLimit);
        if (!outcome) log::error(utf8String(application.path) + " did not start within 10 s");
        return outcome.value_or(false);
    }
    return legacyStartHidden(application);
}

// Blocks until the owner has answered when they have not been asked yet.
OSStatus permissionToAutomate(const std::string& identifier) {
    AEAddressDesc target = {};
    const OSErr made = AECreateDesc(typeApplicationBundleID, identifier.data(), identifier.size(), &target);
    if (made != noErr) return made;
    // Any event class and id: the consent is given per application.
    const OSStatus status = AEDeterminePermissionToAutomateTarget(&target, typeWildCard, typeWildCard, true);
    AEDisposeDesc(&target);
    return status;
}

// The port's answer to the system's: false only when the owner refused. Otherwise the
// script runs and reports what fails: after errAEEventWouldRequireUserConsent (the owner
// was not asked, which asking should rule out; the script's first event asks),
// procNotFound (the target quit before the question) or any other error.
bool allowedByAnswer(OSStatus status, const std::string& applicationName) {
    const std::string about = "Automation consent for " + applicationName + ": ";
    switch (status) {
        case noErr: return true;
        case errAEEventNotPermitted: log::info(about + "refused by the owner"); return false;
        case errAEEventWouldRequireUserConsent: log::info(about + "not asked yet"); return true;
        case procNotFound: log::info(about + "it quit before the question"); return true;
        default: log::error(about + "status " + std::to_string(status)); return true;
    }
}

}  // namespace

bool MacAutomationConsent::mayAutomate(const std::string& applicationName) {
    std::string identifier;
    @autoreleasepool {
        NSString* found = identifierOfTarget(applicationName);
        if (!found) {
            log::info("Automation consent for " + applicationName + ": no such application is known");
            return true;  // the script reports the failure
        }
        identifier = utf8String(found);
        // The system answers only about a running target (procNotFound otherwise).
        if (!isRunning(found) && !startHidden(found)) {
            log::error("Automation consent for " + applicationName + ": it could not be started to ask");
            return true;
        }
    }
    // Apple: "Do not call this function on your main thread because it may take
    // arbitrarily long to return if the user needs to be prompted for consent" (thread
    // safe since 10.14). It runs on a global queue; the answer comes back here.
    auto answer = makeHandover<OSStatus>();
    dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), ^{
      answer->give(permissionToAutomate(identifier));
    });
    return allowedByAnswer(*answer->take(), applicationName);
}

bool MacAutomationConsent::accessibilityAllowed() {
    return AXIsProcessTrusted();
}

}  // namespace platform::macos
