// Launch at login on a Mac: the app's own login item (SMAppService) from macOS 13 on,
// which the user sees and may switch off in System Settings › General › Login Items;
// the per-user launch agent before it, naming the bundle's executable as it is when
// the agent is written. The state is read from the system each time, so that a change
// made in System Settings shows.
#pragma once

#include <string>

#include "platform/LaunchAtLogin.h"

namespace platform::macos {

class MacLaunchAtLogin : public LaunchAtLogin {
public:
    explicit MacLaunchAtLogin(std::string home) : home_(std::move(home)) {}
    [[nodiscard]] bool setEnabled(bool enabled) override;
    State state() const override;

private:
    std::string home_;
};

}  // namespace platform::macos
