#include "ui/LaunchAtLoginChoice.h"

#include <QCoreApplication>

#include "base/Log.h"
#include "model/Preferences.h"
#include "platform/QtPorts.h"

namespace lendmode::ui {

LoginState launchAtLoginState(Preferences& prefs) {
    const auto& login = platform::qt::qtPorts().launchAtLogin;
    if (!login) return prefs.launchOnStartup() ? LoginState::On : LoginState::Off;
    const LoginState state = login->state();
    const bool starts = state != LoginState::Off;
    if (starts != prefs.launchOnStartup() && !prefs.setLaunchOnStartup(starts))
        log::error("could not store whether Lendmode starts at login");
    return state;
}

bool setLaunchAtLogin(Preferences& prefs, bool enabled) {
    const auto& login = platform::qt::qtPorts().launchAtLogin;
    if (!login || !login->setEnabled(enabled)) return false;
    if (!prefs.setLaunchOnStartup(enabled)) log::error("could not store whether Lendmode starts at login");
    return true;
}

QString launchAtLoginCaption(LoginState state) {
    return state == LoginState::NeedsApproval
               ? QCoreApplication::translate("LaunchAtLogin",
                                             "Start at Login (needs approval in System Settings)")
               : QCoreApplication::translate("LaunchAtLogin", "Start at Login");
}

}  // namespace lendmode::ui
