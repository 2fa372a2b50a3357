// The platform of the Linux build: the simulated Mac named by LENDMODE_SIM_ROOT (or
// the default one), with the status item in the system tray, launches announced by
// the simulated `open`, an activation policy that is only remembered, and the
// simulated owner's password asked for in a Qt dialog.
#include "platform/Platform.h"

#include <QCoreApplication>

#include "platform/QtPorts.h"
#include "platform/posix/LaunchAgent.h"
#include "platform/qt/MessageBoxAlert.h"
#include "platform/qt/PasswordDialog.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/RecordedActivationPolicy.h"
#include "platform/qt/ResponsiveRunners.h"
#include "platform/qt/TrayStatusItem.h"
#include "platform/sim/SimOwnerAuthentication.h"
#include "platform/sim/SimPorts.h"
#include "platform/sim/SimWorkspace.h"
#include "sim/SimMac.h"

namespace platform {

void prepareApplication() {}

Ports installPlatform() {
    const std::string root = sim::SimMac::rootFromEnvironment();
    Ports ports = simulated::portsFor(root);
    // The tools and the interpreter take what a real Mac takes when the simulated Mac
    // is slow: the interface keeps running meanwhile.
    ports.shell = std::make_shared<qt::ResponsiveShellRunner>(ports.shell);
    ports.appleScript = std::make_shared<qt::ResponsiveAppleScriptRunner>(ports.appleScript);
    ports.automation = std::make_shared<qt::ResponsiveAutomationConsent>(ports.automation);
    ports.mainThread = std::make_shared<qt::QtMainThread>();
    ports.alerts = std::make_shared<qt::MessageBoxAlert>();

    qt::QtPorts& ui = qt::qtPorts();
    ui.workspace = std::make_shared<qt::SimWorkspace>(sim::SimMac(root));
    ui.makeStatusItem = [] { return std::make_shared<qt::TrayStatusItem>(); };
    ui.activationPolicy = std::make_shared<qt::RecordedActivationPolicy>();
    ui.darkAppearance = [root] {
        const auto global = sim::SimMac(root).readDomain("NSGlobalDomain");
        if (!global) return false;
        const auto style = global->find("AppleInterfaceStyle");
        return style != global->end() && style->second.isString() && *style->second.asString() == "Dark";
    };
    ui.launchAtLogin = std::make_shared<LaunchAgentLogin>(
        ports.account->homeDirectory(), [] { return QCoreApplication::applicationFilePath().toStdString(); });
    ui.ownerAuthentication = std::make_shared<simulated::SimOwnerAuthentication>(
        std::make_shared<const sim::SimMac>(root), qt::askOwnerPassword);
    return ports;
}

std::string platformStateDirectory() {
    return sim::SimMac::rootFromEnvironment();
}

}  // namespace platform
