// The Mac's URL-scheme handlers on GNUstep: NSWorkspace's methods (the fake workspace)
// from macOS 12, the LaunchServices functions (faked here) before it, and the bundle
// identifiers read from application bundles made in a temporary folder.
#import <Foundation/Foundation.h>

#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Log.h"
#include "platform/macos/MacUrlHandlers.h"
#include "tests/macos-check/AppleFakes.h"

using platform::macos::MacUrlHandlers;
using Identifiers = std::optional<std::vector<std::string>>;

namespace {

// What the LaunchServices functions answer, and what they were asked.
struct LaunchServices {
    NSArray* handlers = nil;  // nil: no list
    OSStatus setStatus = noErr;
    std::vector<std::string> calls;
};
LaunchServices* launchServices = nullptr;

std::string text(CFStringRef value) {
    return [(__bridge NSString*)value UTF8String];
}

}  // namespace

CFArrayRef LSCopyAllHandlersForURLScheme(CFStringRef scheme) {
    launchServices->calls.push_back("LSCopyAllHandlersForURLScheme " + text(scheme));
    return (__bridge CFArrayRef)[launchServices->handlers retain];
}

OSStatus LSSetDefaultHandlerForURLScheme(CFStringRef scheme, CFStringRef bundleIdentifier) {
    launchServices->calls.push_back("LSSetDefaultHandlerForURLScheme " + text(scheme) + " " +
                                    text(bundleIdentifier));
    return launchServices->setStatus;
}

namespace {

namespace fs = std::filesystem;

class MacUrlHandlersTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = [[NSAutoreleasePool alloc] init];
        apple_fakes::reset();
        launchServices = &ls;
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
        char folder[] = "/tmp/url-handlers-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        top = folder;
        safari = bundle("Safari", @"com.apple.Safari");
        firefox = bundle("Firefox", @"org.mozilla.firefox");
        bare = (top / "Bare.app").string();
        fs::create_directories(bare);
        apple_fakes::workspace.installed = {{"Safari", "com.apple.Safari", safari},
                                            {"Firefox", "org.mozilla.firefox", firefox}};
        apple_fakes::workspace.handlers["http"] = {safari, bare, firefox};
    }
    void TearDown() override {
        fs::remove_all(top);
        lendmode::log::setSink({});
        launchServices = nullptr;
        apple_fakes::reset();
        [pool drain];
    }
    // NAME.app with the identifier in Contents/Info.plist.
    std::string bundle(const std::string& name, NSString* identifier) {
        const fs::path path = top / (name + ".app");
        fs::create_directories(path / "Contents");
        NSDictionary* info = [NSDictionary dictionaryWithObject:identifier forKey:@"CFBundleIdentifier"];
        const std::string plist = (path / "Contents" / "Info.plist").string();
        EXPECT_TRUE([info writeToFile:[NSString stringWithUTF8String:plist.c_str()] atomically:YES]);
        return path.string();
    }
    // Asks for the change and waits for its answer, which may come from another thread.
    std::optional<bool> setDefault(const std::string& scheme, const std::string& identifier) {
        static std::atomic<int> answer;
        answer = -1;
        handlers.setDefaultHandler(scheme, identifier, [](bool changed) { answer = changed ? 1 : 0; });
        if (!apple_fakes::runMainLoopUntil([] { return answer.load() >= 0; }, 2)) return std::nullopt;
        return answer == 1;
    }

    NSAutoreleasePool* pool = nil;
    LaunchServices ls;
    MacUrlHandlers handlers;
    fs::path top;
    std::string safari, firefox, bare;
};

TEST_F(MacUrlHandlersTest, FromMacOS12TheWorkspaceIsAsked) {
    apple_fakes::macOS = {12, 0};
    EXPECT_EQ(handlers.allHandlers("http"), Identifiers({"com.apple.Safari", "org.mozilla.firefox"}))
        << "in the workspace's order, without the bundle that has no identifier";
    EXPECT_EQ(handlers.defaultHandler("http"), "com.apple.Safari");
    EXPECT_EQ(handlers.allHandlers("gopher"), Identifiers(std::vector<std::string>{}));
    EXPECT_EQ(handlers.defaultHandler("gopher"), std::nullopt);

    EXPECT_EQ(setDefault("http", "org.mozilla.firefox"), true);
    EXPECT_EQ(handlers.defaultHandler("http"), "org.mozilla.firefox");
    apple_fakes::workspace.ownerAgrees = false;
    EXPECT_EQ(setDefault("http", "com.apple.Safari"), false) << "the owner kept the earlier default";
    EXPECT_EQ(setDefault("http", "com.example.missing"), false) << "no such application";
    EXPECT_EQ(apple_fakes::workspace.calls.back(), "setDefaultApplicationAtURL: " + safari + " http");
    EXPECT_EQ(apple_fakes::workspace.calls.front(), "URLsForApplicationsToOpenURL: http://");
    EXPECT_TRUE(ls.calls.empty());
}

TEST_F(MacUrlHandlersTest, BeforeMacOS12LaunchServicesIsAsked) {
    apple_fakes::macOS = {11, 7};
    ls.handlers = [NSArray
        arrayWithObjects:@"com.apple.Safari", [NSNumber numberWithInt:3], @"org.mozilla.firefox", nil];
    EXPECT_EQ(handlers.allHandlers("http"), Identifiers({"com.apple.Safari", "org.mozilla.firefox"}))
        << "the texts of the list";
    ls.handlers = nil;
    EXPECT_EQ(handlers.allHandlers("gopher"), std::nullopt);

    // Answered at once, on the calling thread.
    bool answered = false, changed = false;
    handlers.setDefaultHandler("http", "org.mozilla.firefox", [&](bool value) {
        answered = true;
        changed = value;
    });
    EXPECT_TRUE(answered && changed);
    ls.setStatus = -10814;  // kLSApplicationNotFoundErr
    EXPECT_EQ(setDefault("http", "com.example.missing"), false);

    EXPECT_EQ(ls.calls, (std::vector<std::string>{
                            "LSCopyAllHandlersForURLScheme http", "LSCopyAllHandlersForURLScheme gopher",
                            "LSSetDefaultHandlerForURLScheme http org.mozilla.firefox",
                            "LSSetDefaultHandlerForURLScheme http com.example.missing"}));
    EXPECT_TRUE(apple_fakes::workspace.calls.empty()) << "none of the workspace's macOS 12 methods";
}

}  // namespace
