#include "platform/macos/MacWorkspace.h"

#import <AppKit/AppKit.h>

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <deque>
#include <limits>
#include <set>

#include "platform/macos/ApplicationBundles.h"

namespace {

// Its address tells this observation from any other of the same object and key path.
char kRunningApplicationsContext;
NSString* const kRunningApplications = @"runningApplications";

}  // namespace

// Calls its block whenever NSWorkspace's runningApplications changes. Apple documents
// the property as key-value observing compliant, changing only while the main run loop
// runs in a common mode: the block runs on the main thread.
@interface LMRunningApplicationsObserver : NSObject
- (instancetype)initWithChange:(void (^)(void))changed;
@end

@implementation LMRunningApplicationsObserver {
    void (^_changed)(void);
}

- (instancetype)initWithChange:(void (^)(void))changed {
    if ((self = [super init])) _changed = [changed copy];
    return self;
}

- (void)observeValueForKeyPath:(NSString*)keyPath
                      ofObject:(id)object
                        change:(NSDictionary<NSString*, id>*)change
                       context:(void*)context {
    if (context != &kRunningApplicationsContext) {
        [super observeValueForKeyPath:keyPath ofObject:object change:change context:context];
        return;
    }
    _changed();
}

@end

namespace platform::macos {
namespace {

// How many launches are remembered while waiting for their second announcement.
constexpr std::size_t kRememberedLaunches = 64;

QString toQString(NSString* string) {
    return string ? QString::fromNSString(string) : QString();
}

// The user information of both signals.
QVariantMap userInfoOf(NSRunningApplication* app) {
    QVariantMap userInfo;
    NSURL* url = app.bundleURL ? app.bundleURL : app.executableURL;
    userInfo.insert(QStringLiteral("NSApplicationPath"), toQString(url.path));
    userInfo.insert(QStringLiteral("NSApplicationName"), toQString(app.localizedName));
    userInfo.insert(QStringLiteral("NSApplicationBundleIdentifier"), toQString(app.bundleIdentifier));
    userInfo.insert(QStringLiteral("NSApplicationProcessIdentifier"),
                    QVariant::fromValue<qint64>(app.processIdentifier));
    return userInfo;
}

std::set<pid_t> processIdentifiers(NSArray<NSRunningApplication*>* apps) {
    std::set<pid_t> pids;
    for (NSRunningApplication* app in apps) pids.insert(app.processIdentifier);
    return pids;
}

}  // namespace

struct MacWorkspace::Impl {
    NSNotificationCenter* center = nil;
    id willLaunchObserver = nil;
    id didLaunchObserver = nil;
    // Process ids announced as about to launch whose "did launch" has not come yet.
    std::deque<pid_t> awaitingDidLaunch;
    LMRunningApplicationsObserver* runningObserver = nil;
    // The running applications' process ids as of the last change.
    std::set<pid_t> running;

    // Whether this announcement is the first for its process: a launch announced both
    // before and after it starts is passed on once.
    bool isFirstAnnouncement(pid_t pid, bool willLaunch);
};

bool MacWorkspace::Impl::isFirstAnnouncement(pid_t pid, bool willLaunch) {
    // Without a process id the two announcements cannot be matched.
    if (pid <= 0) return true;
    auto it = std::find(awaitingDidLaunch.begin(), awaitingDidLaunch.end(), pid);
    if (!willLaunch) {
        if (it == awaitingDidLaunch.end()) return true;
        // Both have come: nothing more to expect for this process.
        awaitingDidLaunch.erase(it);
        return false;
    }
    if (it != awaitingDidLaunch.end()) return false;
    awaitingDidLaunch.push_back(pid);
    // A launch that failed never says it did launch: forget the oldest.
    if (awaitingDidLaunch.size() > kRememberedLaunches) awaitingDidLaunch.pop_front();
    return true;
}

MacWorkspace::MacWorkspace(QObject* parent) : Workspace(parent), impl_(std::make_unique<Impl>()) {
    // Launches are posted only to the workspace's own notification centre.
    impl_->center = [[NSWorkspace sharedWorkspace] notificationCenter];
    // A block already queued when the workspace goes away finds the pointer cleared.
    QPointer<MacWorkspace> workspace(this);
    auto observe = [this, workspace](NSString* name, bool willLaunch) -> id {
        return [impl_->center
            addObserverForName:name
                        object:nil
                         queue:[NSOperationQueue mainQueue]
                    usingBlock:^(NSNotification* note) {
                      if (!workspace) return;
                      id object = note.userInfo[NSWorkspaceApplicationKey];
                      if (![object isKindOfClass:[NSRunningApplication class]]) return;
                      NSRunningApplication* app = object;
                      if (!workspace->impl_->isFirstAnnouncement(app.processIdentifier, willLaunch)) return;
                      workspace->announceLaunch(userInfoOf(app));
                    }];
    };
    impl_->willLaunchObserver = observe(NSWorkspaceWillLaunchApplicationNotification, true);
    impl_->didLaunchObserver = observe(NSWorkspaceDidLaunchApplicationNotification, false);

    // Agents and background applications are never announced as launching; they only
    // appear among the running applications. The applications running now are not
    // announced, only those that appear later. The list is compared with the last one
    // rather than read from the change, which may carry the whole new list.
    NSWorkspace* shared = [NSWorkspace sharedWorkspace];
    impl_->running = processIdentifiers(shared.runningApplications);
    impl_->runningObserver = [[LMRunningApplicationsObserver alloc] initWithChange:^{
      if (!workspace) return;
      NSArray<NSRunningApplication*>* apps = [NSWorkspace sharedWorkspace].runningApplications;
      for (NSRunningApplication* app in apps) {
          if (!workspace->impl_->running.contains(app.processIdentifier))
              workspace->announceRunning(userInfoOf(app));
      }
      workspace->impl_->running = processIdentifiers(apps);
    }];
    [shared addObserver:impl_->runningObserver
             forKeyPath:kRunningApplications
                options:0
                context:&kRunningApplicationsContext];
}

MacWorkspace::~MacWorkspace() {
    [impl_->center removeObserver:impl_->willLaunchObserver];
    [impl_->center removeObserver:impl_->didLaunchObserver];
    [[NSWorkspace sharedWorkspace] removeObserver:impl_->runningObserver
                                       forKeyPath:kRunningApplications
                                          context:&kRunningApplicationsContext];
}

void MacWorkspace::announceLaunch(const QVariantMap& userInfo) {
    // Emitted from Qt's event loop rather than inside the notification block: a
    // receiver that opens a modal alert would otherwise hold up the main operation
    // queue, and with it every later launch, until the alert closes.
    QMetaObject::invokeMethod(
        this, [this, userInfo] { emit willLaunchApplication(userInfo); }, Qt::QueuedConnection);
}

void MacWorkspace::announceRunning(const QVariantMap& userInfo) {
    QMetaObject::invokeMethod(
        this, [this, userInfo] { emit applicationRunning(userInfo); }, Qt::QueuedConnection);
}

QIcon MacWorkspace::iconForFile(const QString& path) {
    // On macOS Qt draws file icons with the workspace's own icons.
    return QFileIconProvider().icon(QFileInfo(path));
}

bool MacWorkspace::terminateApplication(qint64 pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
    NSRunningApplication* app =
        [NSRunningApplication runningApplicationWithProcessIdentifier:static_cast<pid_t>(pid)];
    if (!app) return false;
    return [app forceTerminate];
}

QString MacWorkspace::bundleIdentifierOfBundle(const QString& path) {
    return QString::fromStdString(bundleIdentifierAtPath(path.toStdString()));
}

}  // namespace platform::macos
