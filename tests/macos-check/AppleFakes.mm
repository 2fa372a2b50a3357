// The fakes of AppleFakes.h, on GNUstep base with manual reference counting. Blocks
// that outlive the call are copied with libBlocksRuntime's Block_copy: under GCC's
// runtime they are no Objective-C objects.
#include "tests/macos-check/AppleFakes.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <Block.h>
#include <dispatch/dispatch.h>
#include <unistd.h>

#include <utility>

// The fakes implement only what the layer calls.
#pragma clang diagnostic ignored "-Wincomplete-implementation"
#pragma clang diagnostic ignored "-Wobjc-property-implementation"

namespace apple_fakes {

Release macOS;
Workspace workspace;

bool macOSAtLeast(int major, int minor) {
    return macOS.major > major || (macOS.major == major && macOS.minor >= minor);
}

void reset() {
    macOS = Release();
    workspace = Workspace();
}

}  // namespace apple_fakes

// A piece of work an Objective-C call can run: on a new thread or the main one.
@interface AppleFakesWork : NSObject {
    std::function<void()>* work_;
}
- (instancetype)initWithWork:(std::function<void()>)work;
- (void)run;
@end

@implementation AppleFakesWork
- (instancetype)initWithWork:(std::function<void()>)work {
    if ((self = [super init])) work_ = new std::function<void()>(std::move(work));
    return self;
}
- (void)run {
    @autoreleasepool {
        (*work_)();
    }
}
- (void)dealloc {
    delete work_;
    [super dealloc];
}
@end

namespace apple_fakes {

void runElsewhere(std::function<void()> work) {
    AppleFakesWork* piece = [[AppleFakesWork alloc] initWithWork:std::move(work)];
    [NSThread detachNewThreadSelector:@selector(run) toTarget:piece withObject:nil];
    [piece release];
}

bool runMainLoopUntil(const std::function<bool()>& done, double seconds) {
    NSDate* limit = [NSDate dateWithTimeIntervalSinceNow:seconds];
    while (!done() && [limit timeIntervalSinceNow] > 0) {
        @autoreleasepool {
            if (![[NSRunLoop currentRunLoop] runMode:NSDefaultRunLoopMode
                                          beforeDate:[NSDate dateWithTimeIntervalSinceNow:0.01]])
                usleep(1000);
        }
    }
    return done();
}

}  // namespace apple_fakes

namespace {

NSString* text(const std::string& value) {
    return [NSString stringWithUTF8String:value.c_str()];
}

std::string text(NSString* value) {
    return value ? [value UTF8String] : "(nil)";
}

void record(const std::string& call) {
    apple_fakes::workspace.calls.push_back(call);
}

NSObject* mainQueue() {
    static NSObject* queue = [[NSObject alloc] init];
    return queue;
}

NSObject* globalQueue() {
    static NSObject* queue = [[NSObject alloc] init];
    return queue;
}

const apple_fakes::Application* installedWithIdentifier(NSString* identifier) {
    for (const auto* list : {&apple_fakes::workspace.running, &apple_fakes::workspace.installed}) {
        for (const auto& app : *list) {
            if (app.identifier == text(identifier)) return &app;
        }
    }
    return nullptr;
}

const apple_fakes::Application* installedAtPath(const std::string& path) {
    for (const auto& app : apple_fakes::workspace.installed) {
        if (app.path == path) return &app;
    }
    return nullptr;
}

NSError* failure() {
    return [NSError errorWithDomain:NSCocoaErrorDomain code:-1 userInfo:nil];
}

}  // namespace

// ---- libdispatch: the main queue is the main thread's run loop, the global queue a
// new thread for each block ----

dispatch_queue_t dispatch_get_main_queue(void) {
    return (dispatch_queue_t)mainQueue();
}

dispatch_queue_global_t dispatch_get_global_queue(intptr_t, uintptr_t) {
    return (dispatch_queue_global_t)globalQueue();
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block) {
    dispatch_block_t copied = Block_copy(block);
    auto work = [copied] {
        copied();
        Block_release(copied);
    };
    if (queue != (id)mainQueue()) {
        apple_fakes::runElsewhere(work);
        return;
    }
    AppleFakesWork* piece = [[AppleFakesWork alloc] initWithWork:work];
    [piece performSelectorOnMainThread:@selector(run) withObject:nil waitUntilDone:NO];
    [piece release];
}

void dispatch_sync(dispatch_queue_t queue, dispatch_block_t block) {
    if (queue != (id)mainQueue() || [NSThread isMainThread]) {
        block();
        return;
    }
    AppleFakesWork* piece = [[AppleFakesWork alloc] initWithWork:[block] { block(); }];
    [piece performSelectorOnMainThread:@selector(run) withObject:nil waitUntilDone:YES];
    [piece release];
}

// ---- AppKit: running applications and the workspace ----

@interface FakeRunningApplication : NSRunningApplication {
    NSString* name_;
    NSString* identifier_;
}
- (instancetype)initWithApplication:(const apple_fakes::Application&)application;
@end

@implementation FakeRunningApplication
- (instancetype)initWithApplication:(const apple_fakes::Application&)application {
    if ((self = [super init])) {
        name_ = [text(application.name) copy];
        identifier_ = [text(application.identifier) copy];
    }
    return self;
}
- (NSString*)localizedName {
    return name_;
}
- (NSString*)bundleIdentifier {
    return identifier_;
}
- (void)dealloc {
    [name_ release];
    [identifier_ release];
    [super dealloc];
}
@end

@implementation NSRunningApplication
+ (NSArray*)runningApplicationsWithBundleIdentifier:(NSString*)identifier {
    NSMutableArray* found = [NSMutableArray array];
    for (const auto& app : apple_fakes::workspace.running) {
        if (app.identifier == text(identifier))
            [found addObject:[[[FakeRunningApplication alloc] initWithApplication:app] autorelease]];
    }
    return found;
}
@end

// The configuration keeps its two flags in a subclass: the fragile ABI of GCC's
// runtime adds no instance variables to a class declared without them.
@interface FakeOpenConfiguration : NSWorkspaceOpenConfiguration {
    BOOL activates_;
    BOOL hides_;
}
@end

@implementation FakeOpenConfiguration
- (BOOL)activates {
    return activates_;
}
- (void)setActivates:(BOOL)value {
    activates_ = value;
}
- (BOOL)hides {
    return hides_;
}
- (void)setHides:(BOOL)value {
    hides_ = value;
}
@end

@implementation NSWorkspaceOpenConfiguration
+ (instancetype)configuration {
    FakeOpenConfiguration* configuration = [[[FakeOpenConfiguration alloc] init] autorelease];
    configuration.activates = YES;  // Apple's default
    return configuration;
}
- (id)copyWithZone:(NSZone*)zone {
    return [self retain];
}
@end

@implementation NSWorkspace
+ (NSWorkspace*)sharedWorkspace {
    static NSWorkspace* shared = [[NSWorkspace alloc] init];
    return shared;
}
@end

@implementation NSWorkspace (NSWorkspaceRunningApplications)
- (NSArray*)runningApplications {
    NSMutableArray* running = [NSMutableArray array];
    for (const auto& app : apple_fakes::workspace.running)
        [running addObject:[[[FakeRunningApplication alloc] initWithApplication:app] autorelease]];
    return running;
}
@end

@implementation NSWorkspace (AppleOnly)
- (NSURL*)URLForApplicationToOpenURL:(NSURL*)url {
    record("URLForApplicationToOpenURL: " + text(url.absoluteString));
    const auto& paths = apple_fakes::workspace.handlers[text(url.scheme)];
    return paths.empty() ? nil : [NSURL fileURLWithPath:text(paths.front())];
}
- (NSURL*)URLForApplicationWithBundleIdentifier:(NSString*)identifier {
    const apple_fakes::Application* app = installedWithIdentifier(identifier);
    return app ? [NSURL fileURLWithPath:text(app->path)] : nil;
}
- (NSArray<NSURL*>*)URLsForApplicationsToOpenURL:(NSURL*)url {
    record("URLsForApplicationsToOpenURL: " + text(url.absoluteString));
    NSMutableArray* urls = [NSMutableArray array];
    for (const auto& path : apple_fakes::workspace.handlers[text(url.scheme)])
        [urls addObject:[NSURL fileURLWithPath:text(path)]];
    return urls;
}
- (void)setDefaultApplicationAtURL:(NSURL*)applicationURL
              toOpenURLsWithScheme:(NSString*)scheme
                 completionHandler:(void (^)(NSError*))completionHandler {
    record("setDefaultApplicationAtURL: " + text(applicationURL.path) + " " + text(scheme));
    const std::string path = text(applicationURL.path);
    const std::string key = text(scheme);
    void (^handler)(NSError*) = Block_copy(completionHandler);
    apple_fakes::runElsewhere([handler, path, key] {
        const bool agrees = apple_fakes::workspace.ownerAgrees;
        if (agrees) {
            auto& paths = apple_fakes::workspace.handlers[key];
            std::erase(paths, path);
            paths.insert(paths.begin(), path);
        }
        handler(agrees ? nil : failure());
        Block_release(handler);
    });
}
@end

@implementation NSWorkspace (AppleOnlyLaunching)
- (void)openApplicationAtURL:(NSURL*)applicationURL
               configuration:(NSWorkspaceOpenConfiguration*)configuration
           completionHandler:(void (^)(NSRunningApplication*, NSError*))completionHandler {
    const std::string path = text(applicationURL.path);
    record("openApplicationAtURL: " + path + (configuration.activates ? " activates" : "") +
           (configuration.hides ? " hides" : ""));
    if (!apple_fakes::workspace.startAnswers) return;
    void (^handler)(NSRunningApplication*, NSError*) = Block_copy(completionHandler);
    apple_fakes::runElsewhere([handler, path] {
        const apple_fakes::Application* app = installedAtPath(path);
        if (app && apple_fakes::workspace.startSucceeds) {
            apple_fakes::workspace.running.push_back(*app);
            handler([[[FakeRunningApplication alloc] initWithApplication:*app] autorelease], nil);
        } else {
            handler(nil, failure());
        }
        Block_release(handler);
    });
}
- (NSRunningApplication*)launchApplicationAtURL:(NSURL*)url
                                        options:(NSWorkspaceLaunchOptions)options
                                  configuration:(NSDictionary*)configuration
                                          error:(NSError**)error {
    const std::string path = text(url.path);
    record("launchApplicationAtURL: " + path + ((options & NSWorkspaceLaunchAndHide) ? " hides" : "") +
           ((options & NSWorkspaceLaunchWithoutActivation) ? "" : " activates"));
    const apple_fakes::Application* app = installedAtPath(path);
    if (!app || !apple_fakes::workspace.startSucceeds) {
        if (error) *error = failure();
        return nil;
    }
    apple_fakes::workspace.running.push_back(*app);
    return [[[FakeRunningApplication alloc] initWithApplication:*app] autorelease];
}
@end
