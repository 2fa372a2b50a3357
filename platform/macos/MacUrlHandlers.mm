#include "platform/macos/MacUrlHandlers.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <CoreServices/CoreServices.h>

#include "base/Log.h"
#include "platform/macos/ApplicationBundles.h"
#include "platform/macos/FoundationValues.h"

namespace platform::macos {
namespace {

// A URL of the scheme, which is what NSWorkspace asks about.
NSURL* urlOfScheme(const std::string& scheme) {
    return [NSURL URLWithString:[foundationString(scheme) stringByAppendingString:@"://"]];
}

// Read from the bundle's Info.plist, not through NSBundle, which keeps its first object
// for a path: an application replaced there would keep its predecessor's identifier.
std::optional<std::string> bundleIdentifierAt(NSURL* applicationURL) {
    const std::string identifier =
        applicationURL.isFileURL ? bundleIdentifierAtPath(utf8String(applicationURL.path)) : std::string();
    if (identifier.empty()) return std::nullopt;
    return identifier;
}

// Before macOS 12 the LaunchServices functions are the only way; they are deprecated
// from 10.15 and 12 on, where this code never runs.
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"

std::optional<std::vector<std::string>> legacyAllHandlers(NSString* scheme) {
    NSArray* handlers = CFBridgingRelease(LSCopyAllHandlersForURLScheme((__bridge CFStringRef)scheme));
    if (!handlers) return std::nullopt;
    std::vector<std::string> identifiers;
    for (id handler in handlers) {
        if ([handler isKindOfClass:[NSString class]]) identifiers.push_back(utf8String(handler));
    }
    return identifiers;
}

bool legacySetDefault(NSString* scheme, NSString* bundleIdentifier) {
    const OSStatus status =
        LSSetDefaultHandlerForURLScheme((__bridge CFStringRef)scheme, (__bridge CFStringRef)bundleIdentifier);
    if (status != noErr)
        lendmode::log::error("Setting the default handler failed: status " + std::to_string(status));
    return status == noErr;
}

#pragma clang diagnostic pop

}  // namespace

std::optional<std::vector<std::string>> MacUrlHandlers::allHandlers(const std::string& scheme) {
    @autoreleasepool {
        if (@available(macOS 12, *)) {
            NSArray<NSURL*>* applications =
                [[NSWorkspace sharedWorkspace] URLsForApplicationsToOpenURL:urlOfScheme(scheme)];
            std::vector<std::string> identifiers;
            for (NSURL* application in applications) {
                if (auto identifier = bundleIdentifierAt(application)) identifiers.push_back(*identifier);
            }
            return identifiers;
        }
        return legacyAllHandlers(foundationString(scheme));
    }
}

std::optional<std::string> MacUrlHandlers::defaultHandler(const std::string& scheme) {
    @autoreleasepool {
        return bundleIdentifierAt(
            [[NSWorkspace sharedWorkspace] URLForApplicationToOpenURL:urlOfScheme(scheme)]);
    }
}

void MacUrlHandlers::setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier,
                                       Done done) {
    if (!done) done = [](bool) {};
    const Done finished = std::move(done);
    @autoreleasepool {
        NSString* identifier = foundationString(bundleIdentifier);
        if (@available(macOS 12, *)) {
            NSWorkspace* workspace = [NSWorkspace sharedWorkspace];
            NSURL* application = [workspace URLForApplicationWithBundleIdentifier:identifier];
            if (!application) {
                lendmode::log::error("No application has the identifier " + bundleIdentifier);
                finished(false);
                return;
            }
            // The system asks the owner first; the handler gets an error when they keep
            // the earlier default, or when the change fails.
            [workspace setDefaultApplicationAtURL:application
                             toOpenURLsWithScheme:foundationString(scheme)
                                completionHandler:^(NSError* error) {
                                  if (error) {
                                      lendmode::log::error("Setting the default handler failed: " +
                                                           utf8String(error.localizedDescription));
                                  }
                                  finished(error == nil);
                                }];
            return;
        }
        finished(legacySetDefault(foundationString(scheme), identifier));
    }
}

}  // namespace platform::macos
