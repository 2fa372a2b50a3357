// The application lookups behind the automation consent and the workspace, and the
// reading of macOS's reported version, run on GNUstep base against bundles made in a
// temporary folder.
#import <Foundation/Foundation.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/macos/ApplicationBundles.h"
#include "platform/macos/MacSystemVersion.h"

using platform::macos::applicationNamed;
using platform::macos::bundleIdentifierAtPath;
using platform::macos::knownScriptedApplicationIdentifier;

namespace {

namespace fs = std::filesystem;

// An application bundle as macOS lays it out: NAME.app/Contents/Info.plist.
void makeBundle(const fs::path& bundle, NSString* identifier) {
    fs::create_directories(bundle / "Contents");
    NSDictionary* info = [NSDictionary dictionaryWithObject:identifier forKey:@"CFBundleIdentifier"];
    const std::string plist = (bundle / "Contents" / "Info.plist").string();
    ASSERT_TRUE([info writeToFile:[NSString stringWithUTF8String:plist.c_str()] atomically:YES]);
}

class ApplicationBundles : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/application-bundles-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        top_ = folder;
    }
    void TearDown() override { fs::remove_all(top_); }
    fs::path top_;
};

TEST_F(ApplicationBundles, TheSystemApplicationsTheScriptsNameHaveTheirFixedIdentifiers) {
    EXPECT_EQ(knownScriptedApplicationIdentifier("System Events"), "com.apple.systemevents");
    EXPECT_EQ(knownScriptedApplicationIdentifier("System Preferences"), "com.apple.systempreferences");
    EXPECT_EQ(knownScriptedApplicationIdentifier("System Settings"), "com.apple.systempreferences");
    EXPECT_EQ(knownScriptedApplicationIdentifier("system events"), "") << "names are exact";
    EXPECT_EQ(knownScriptedApplicationIdentifier("Safari"), "");
}

TEST_F(ApplicationBundles, AnApplicationIsFoundByNameInTheFirstFolderThatHasIt) {
    @autoreleasepool {
        makeBundle(top_ / "system" / "Utilities" / "Tool.app", @"com.example.system-tool");
        makeBundle(top_ / "shared" / "Tool.app", @"com.example.tool");
        makeBundle(top_ / "shared" / "Other.app", @"com.example.other");
        fs::create_directories(top_ / "shared" / "Bare.app");
        { std::ofstream(top_ / "shared" / "File.app") << "not a bundle"; }
        const std::vector<std::string> folders{(top_ / "system").string(),
                                               (top_ / "system" / "Utilities").string(),
                                               (top_ / "missing").string(), (top_ / "shared").string()};

        const std::string tool = (top_ / "system" / "Utilities" / "Tool.app").string();
        EXPECT_EQ(applicationNamed("Tool", folders), tool) << "the earlier folder wins";
        EXPECT_EQ(applicationNamed("Tool.app", folders), tool);
        EXPECT_EQ(applicationNamed("Other", folders), (top_ / "shared" / "Other.app").string());
        EXPECT_EQ(bundleIdentifierAtPath(tool), "com.example.system-tool");
        EXPECT_EQ(bundleIdentifierAtPath(applicationNamed("Other", folders)), "com.example.other");

        EXPECT_EQ(applicationNamed("File", folders), "") << "a file is no bundle";
        EXPECT_EQ(applicationNamed("Absent", folders), "");
        EXPECT_EQ(applicationNamed("", folders), "");
        EXPECT_EQ(applicationNamed(".app", folders), "");
        EXPECT_EQ(applicationNamed("../shared/Other", folders), "") << "a path is no name";
        EXPECT_EQ(bundleIdentifierAtPath(applicationNamed("Bare", folders)), "")
            << "a bundle without Info.plist";
        EXPECT_EQ(bundleIdentifierAtPath((top_ / "missing.app").string()), "");
        EXPECT_EQ(bundleIdentifierAtPath(""), "");
    }
}

TEST(MacSystemVersion, TheReportedVersionIsReadAsARelease) {
    const struct {
        long major, minor;
        int wantedMajor, wantedMinor;
    } cases[] = {
        {10, 14, 10, 14},
        {10, 15, 10, 15},
        {11, 7, 11, 7},
        {26, 0, 26, 0},
        // What macOS 11 and later report to a program built with an older SDK.
        {10, 16, 11, 0},
        // No macOS: the default release.
        {9, 2, 10, 14},
        {0, 0, 10, 14},
        {10, -1, 10, 14},
    };
    for (const auto& c : cases) {
        const platform::MacOSRelease release = platform::macos::releaseOfReportedVersion(c.major, c.minor);
        EXPECT_EQ(release.major, c.wantedMajor) << c.major << "." << c.minor;
        EXPECT_EQ(release.minor, c.wantedMinor) << c.major << "." << c.minor;
    }
}

}  // namespace
