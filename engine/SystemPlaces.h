// Where the owner allows what Lendmode needs, as each macOS names it: System
// Preferences › Security & Privacy before 13, System Settings › Privacy & Security from
// 13 on.
#pragma once

#include <string>

#include "platform/SystemVersion.h"

namespace lendmode::places {

std::string accessibility(const platform::MacOSRelease& release);
std::string automation(const platform::MacOSRelease& release);

}  // namespace lendmode::places
