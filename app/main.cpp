// The program's entry: a status-bar agent with no window of its own.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/AppDelegate.h"
#include "app/SignalNotifier.h"
#include "model/Preferences.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/SimQtPorts.h"
#include "sim/SimMac.h"
#include "ui/Resources.h"

#ifdef LENDMODE_TEST_CONTROL
#include "app/TestControl.h"
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lendmode"));
    QApplication::setQuitOnLastWindowClosed(false);
    lendmode::ui::initResources();

    // The simulated Mac stands in for the system; the Qt event loop is the main thread.
    const std::string root = sim::SimMac::rootFromEnvironment();
    platform::Ports ports = platform::platformPorts();
    ports.mainThread = std::make_shared<platform::qt::QtMainThread>();
    lendmode::Preferences::useSharedPorts(ports);
    platform::qt::installSimulatedMacPorts(root);

    lendmode::AppDelegate delegate;
    // An orderly end asked by the system puts the owner's settings back first.
    lendmode::SignalNotifier termination({SIGTERM, SIGINT, SIGHUP},
                                         [&](int) { delegate.terminateRestoringOwnerSettings(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
                     [&] { delegate.terminateRestoringOwnerSettings(); });

#ifdef LENDMODE_TEST_CONTROL
    lendmode::TestControl control(delegate);
#endif

    delegate.applicationWillFinishLaunching();
    QTimer::singleShot(0, &delegate, [&] {
        delegate.applicationDidFinishLaunching();
#ifdef LENDMODE_TEST_CONTROL
        control.ready();
#endif
    });
    return QApplication::exec();
}
