// The platform of the Mac build: the native ports, the Qt event loop (which is
// Cocoa's main thread) as the main thread, and the system's own tools for the shell.
#include <cstdlib>
#include <filesystem>

#include "model/BuildInfo.h"
#include "platform/Platform.h"
#include "platform/QtPorts.h"
#include "platform/macos/MacActivationPolicy.h"
#include "platform/macos/MacAlertPresenter.h"
#include "platform/macos/MacAppearance.h"
#include "platform/macos/MacAppleScriptRunner.h"
#include "platform/macos/MacAutomationConsent.h"
#include "platform/macos/MacFloatingWindow.h"
#include "platform/macos/MacLaunchAtLogin.h"
#include "platform/macos/MacLog.h"
#include "platform/macos/MacOwnerAuthentication.h"
#include "platform/macos/MacScrollDirection.h"
#include "platform/macos/MacStatusItem.h"
#include "platform/macos/MacSystemVersion.h"
#include "platform/macos/MacUrlHandlers.h"
#include "platform/macos/MacUserAccount.h"
#include "platform/macos/MacUserDefaultsStore.h"
#include "platform/macos/MacWorkspace.h"
#include "platform/posix/PosixShellRunner.h"
#include "platform/posix/RealHomeDirectory.h"
#include "platform/posix/RecordFile.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/ResponsiveRunners.h"

namespace platform {

// What Finder and launchd give an app, and where every tool Lendmode runs lives
// (defaults, killall, mdfind, osascript, open): a PATH inherited from a terminal could
// put other programs of the same names first.
constexpr const char* kSystemPath = "/usr/bin:/bin:/usr/sbin:/sbin";

void prepareApplication() {
    // Qt's Cocoa plugin activates the application when it finishes launching unless
    // this is set (qcocoaapplicationdelegate.mm, applicationDidFinishLaunching): an agent
    // started at login would take the focus from the owner's front window. A value the
    // owner set is kept.
    ::setenv("QT_MAC_DISABLE_FOREGROUND_APPLICATION_TRANSFORM", "1", /*overwrite=*/0);
}

Ports installPlatform() {
    // First, so that whatever the ports log reaches the unified log.
    macos::installUnifiedLogSink(lendmode::build::kBundleIdentifier);
    Ports ports;
    ports.userDefaults = std::make_shared<macos::MacUserDefaultsStore>(lendmode::build::kBundleIdentifier);
    // The tools run beside the event loop, and so does the wait for each AppleScript:
    // NSAppleScript itself runs on the main thread (the runner hands a call from the
    // waiting thread over to it), one script at a time, with the loop going between.
    ports.shell = std::make_shared<qt::ResponsiveShellRunner>(
        std::make_shared<PosixShellRunner>(posix::EnvironmentOverrides{{"PATH", kSystemPath}}));
    ports.appleScript =
        std::make_shared<qt::ResponsiveAppleScriptRunner>(std::make_shared<macos::MacAppleScriptRunner>());
    ports.mainThread = std::make_shared<qt::QtMainThread>();
    ports.urlHandlers = std::make_shared<macos::MacUrlHandlers>();
    ports.account = std::make_shared<macos::MacUserAccount>();
    ports.automation = std::make_shared<macos::MacAutomationConsent>();
    ports.systemVersion = std::make_shared<macos::MacSystemVersion>();
    ports.scrollDirection = std::make_shared<macos::MacScrollDirection>();
    auto activation = std::make_shared<macos::MacActivationPolicy>();
    ports.alerts = std::make_shared<macos::MacAlertPresenter>();
    ports.recordCopy = std::make_shared<RecordFile>(platformStateDirectory() + "/" + kRecordFileName);

    qt::QtPorts& ui = qt::qtPorts();
    ui.workspace = std::make_shared<macos::MacWorkspace>();
    ui.makeStatusItem = [] { return std::make_shared<macos::MacStatusItem>(); };
    ui.activationPolicy = activation;
    ui.darkAppearance = [] { return macos::systemUsesDarkAppearance(); };
    ui.launchAtLogin = std::make_shared<macos::MacLaunchAtLogin>(RealHomeDirectory());
    ui.ownerAuthentication = std::make_shared<macos::MacOwnerAuthentication>();
    ui.floatAboveOtherApplications = [](QWidget& window) {
        macos::floatAboveOtherApplications(window, macos::FloatLevel::Notice);
    };
    return ports;
}

std::string platformStateDirectory() {
    return RealHomeDirectory() + "/Library/Application Support/Lendmode";
}

}  // namespace platform
