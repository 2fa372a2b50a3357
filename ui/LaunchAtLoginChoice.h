// Whether Lendmode starts at login, as the popover and the preferences show and change
// it: what the system will do, read each time (the owner may have changed it in System
// Settings), with the stored choice following it.
#pragma once

#include <QString>

#include "platform/LaunchAtLogin.h"

namespace lendmode {
class Preferences;
}

namespace lendmode::ui {

using LoginState = platform::LaunchAtLogin::State;

// From the launch-at-login port; the stored choice where there is none.
LoginState launchAtLoginState(Preferences& prefs);
// Asks the system for the change; the choice is stored only when the system took it.
bool setLaunchAtLogin(Preferences& prefs, bool enabled);
// What a click on the control asks for: on turns it off; off turns it on, and so does
// a login item awaiting approval (asking again opens System Settings, where only the
// owner can allow it).
inline bool enabledAfterClick(LoginState shown) {
    return shown != LoginState::On;
}
QString launchAtLoginCaption(LoginState state);

}  // namespace lendmode::ui
