// Port: whether the program starts when the user logs in (a login item on macOS 13
// and later, the per-user launch agent before it and on the simulated Mac).
#pragma once

namespace platform {

class LaunchAtLogin {
public:
    // What the system will do at the next login. NeedsApproval: registered, but the
    // user switched it off in System Settings, and only they can allow it again there.
    enum class State { Off, On, NeedsApproval };

    virtual ~LaunchAtLogin() = default;
    // Makes the program start at login, or no longer. True when the system took the
    // change (it may still await the user's approval); false when it could not, and
    // the caller keeps the old choice.
    [[nodiscard]] virtual bool setEnabled(bool enabled) = 0;
    // Read from the system each time: the user may have changed it elsewhere.
    virtual State state() const = 0;
};

}  // namespace platform
