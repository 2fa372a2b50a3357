// Launch at login on a Mac: the app's own login item (SMAppService) from macOS 13 on,
// which the user sees and may switch off in System Settings › General › Login Items;
// the per-user launch agent before it, naming the bundle's executable as it is when
// the agent is written.
#pragma once

#include <string>

#include "platform/LaunchAtLogin.h"

namespace platform::macos {

class MacLaunchAtLogin : public LaunchAtLogin {
public:
    explicit MacLaunchAtLogin(std::string home) : home_(std::move(home)) {}
    [[nodiscard]] bool setEnabled(bool enabled) override;

private:
    std::string home_;
};

}  // namespace platform::macos
