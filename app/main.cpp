// The program's entry: a status-bar agent with no window of its own, or, given a
// command (`lendmode status`), a client of the running one.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/RemoteCommands.h"
#include "app/SignalNotifier.h"
#include "app/SingleInstance.h"
#include "model/Preferences.h"
#include "platform/Platform.h"
#include "ui/OwnerLock.h"
#include "ui/Resources.h"

#ifdef LENDMODE_TEST_CONTROL
#include "app/TestControl.h"
#endif

int main(int argc, char** argv) {
    // A command is decided before any application object: its client needs no display.
    if (lendmode::cli::isCommand(argc, argv)) {
        return lendmode::cli::run(argc, argv, platform::platformStateDirectory());
    }
    platform::prepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lendmode"));
    QApplication::setQuitOnLastWindowClosed(false);
    lendmode::ui::initResources();

    // One Lendmode at a time: a second start only asks the first to show itself, and
    // never reaches the settings (nor the restore after a crash).
    lendmode::SingleInstance instance(platform::platformStateDirectory());
    if (!instance.acquire()) {
        if (!instance.error().empty()) {
            std::fprintf(stderr, "Lendmode cannot start: %s\n", instance.error().c_str());
            return 1;
        }
        if (instance.askRunningToShow()) {
            std::fprintf(stderr, "Lendmode is already running; it shows its popover.\n");
            return 0;
        }
        // Nobody answers: what holds the lock are commands a killed Lendmode started.
        if (!instance.acquire(std::chrono::seconds(30))) {
            std::fprintf(stderr, "Lendmode is already running.\n");
            return 0;
        }
    }

    // The platform's ports: on Linux the simulated Mac stands in for the system.
    platform::Ports ports;
    try {
        ports = platform::installPlatform();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Lendmode cannot start: %s\n", error.what());
        return 1;
    }
#ifdef LENDMODE_TEST_CONTROL
    lendmode::TestControl::instrument(ports);
#endif
    lendmode::Preferences::useSharedPorts(ports);

    lendmode::AppDelegate delegate;
    // An orderly end asked by the system puts the owner's settings back first.
    lendmode::SignalNotifier termination({SIGTERM, SIGINT, SIGHUP},
                                         [&](int) { delegate.terminateRestoringOwnerSettings(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&] { delegate.terminateRestoringOwnerSettings(); });

#ifdef LENDMODE_TEST_CONTROL
    lendmode::TestControl control(delegate);
#endif

    // The command line's requests and lendmode:// links, once the settings are up.
    std::optional<lendmode::RemoteCommands> remote;
    const auto commands = [&]() -> lendmode::RemoteCommands* {
        if (!remote && delegate.prefs)
            remote.emplace(
                *delegate.prefs, []() -> lendmode::OwnerLock& { return lendmode::OwnerLock::shared(); },
                [] { return QApplication::activeModalWidget() != nullptr; });
        return remote ? &*remote : nullptr;
    };
    lendmode::LinkEvents links;
    QApplication::instance()->installEventFilter(&links);

    // A later start asks for the popover, once the start-up is done.
    instance.listen(
        [&] {
            if (delegate.prefs && (!delegate.popoverMain || !delegate.popoverMain->isShown())) {
                delegate.statusBarButtonPressed();
            }
        },
        [&](const std::string& request) {
            if (lendmode::RemoteCommands* remoteCommands = commands()) return remoteCommands->handle(request);
            return lendmode::CommandReply{
                lendmode::CommandReply::kRefused, {}, {"Lendmode is still starting; try again in a moment."}};
        });

    delegate.applicationWillFinishLaunching();
    QTimer::singleShot(0, &delegate, [&] {
        delegate.applicationDidFinishLaunching();
        links.start([&](const std::string& url) {
            if (lendmode::RemoteCommands* remoteCommands = commands()) remoteCommands->followLink(url);
        });
#ifdef LENDMODE_TEST_CONTROL
        control.ready();
#endif
    });
    return QApplication::exec();
}
