// Small fakes of what the native layer's files call and GNUstep base lacks, shared by
// their tests: NSWorkspace and NSRunningApplication (GNUstep's AppKit library is not
// linked), libdispatch's main and global queues, and the macOS release that
// `@available` asks about. Each test sets what the fakes answer; reset() puts the
// defaults back.
#pragma once

#import <Foundation/Foundation.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace apple_fakes {

// The release `@available(macOS 12, *)` compares with. On Linux that check is always
// true, so the build rewrites it as macOSAtLeast(12, 0) in the files that ask.
struct Release {
    int major = 26;
    int minor = 0;
};
extern Release macOS;
bool macOSAtLeast(int major, int minor);

// An application bundle as the workspace knows it.
struct Application {
    std::string name;
    std::string identifier;
    std::string path;
};

struct Workspace {
    std::vector<Application> running;
    // Found by URLForApplicationWithBundleIdentifier:, running or not.
    std::vector<Application> installed;
    // Whether a start succeeds (the application then runs), and whether the
    // asynchronous start calls its handler at all.
    bool startSucceeds = true;
    bool startAnswers = true;
    // The bundle paths of the applications for each scheme, the default first.
    std::map<std::string, std::vector<std::string>> handlers;
    // The owner's answer to setDefaultApplicationAtURL:…, given on another thread.
    bool ownerAgrees = true;
    // Every call, as "selector argument…".
    std::vector<std::string> calls;
};
extern Workspace workspace;

void reset();

// Runs `work` on a thread of its own, as the system's private queues do.
void runElsewhere(std::function<void()> work);

// Runs the main thread's run loop until `done()` or `seconds` have passed; done().
bool runMainLoopUntil(const std::function<bool()>& done, double seconds = 5);

}  // namespace apple_fakes
