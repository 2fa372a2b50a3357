#include "platform/macos/ApplicationBundles.h"

#import <Foundation/Foundation.h>

#include "platform/macos/FoundationValues.h"

namespace platform::macos {

std::string knownScriptedApplicationIdentifier(const std::string& name) {
    if (name == "System Events") return "com.apple.systemevents";
    // System Settings (macOS 13 and later) kept System Preferences' identifier.
    if (name == "System Preferences" || name == "System Settings") return "com.apple.systempreferences";
    return {};
}

std::string bundleIdentifierAtPath(const std::string& path) {
    if (path.empty()) return {};
    // Read from the bundle's Info.plist each time rather than through NSBundle, which
    // keeps the first object made for a path for the life of the process (Apple:
    // bundleWithPath: "returns the existing object"): an application replaced at the
    // same path would otherwise keep its predecessor's identifier.
    @autoreleasepool {
        NSString* info = [foundationString(path) stringByAppendingPathComponent:@"Contents/Info.plist"];
        id identifier = [[NSDictionary dictionaryWithContentsOfFile:info] objectForKey:@"CFBundleIdentifier"];
        return [identifier isKindOfClass:[NSString class]] ? utf8String(identifier) : std::string();
    }
}

std::vector<std::string> applicationFolders(const std::string& home) {
    std::vector<std::string> folders{
        "/System/Applications",    "/System/Applications/Utilities", "/Applications",
        "/Applications/Utilities", "/System/Library/CoreServices",
    };
    if (!home.empty()) folders.push_back(home + "/Applications");
    return folders;
}

std::string applicationNamed(const std::string& name, const std::vector<std::string>& folders) {
    std::string bundle = name;
    if (!bundle.ends_with(".app")) bundle += ".app";
    if (bundle == ".app" || bundle.find('/') != std::string::npos) return {};
    @autoreleasepool {
        NSFileManager* files = [NSFileManager defaultManager];
        for (const std::string& folder : folders) {
            const std::string path = folder + "/" + bundle;
            BOOL directory = NO;
            if ([files fileExistsAtPath:foundationString(path) isDirectory:&directory] && directory)
                return path;
        }
    }
    return {};
}

}  // namespace platform::macos
