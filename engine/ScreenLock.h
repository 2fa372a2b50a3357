// Locking the screen at a loan's end, so that the owner gets the Mac back locked.
//
// macOS has no public call that locks the screen. Two documented ways, each with its
// caveat:
// - The Lock Screen shortcut (Control-Command-Q, Apple menu > Lock Screen, macOS 10.13
//   and later), pressed through System Events: it locks at once whatever the owner's
//   settings, but System Events sends keystrokes only for an application with
//   Accessibility permission, and only with the owner's consent to control it.
// - `pmset displaysleepnow`: the display sleeps at once, but it locks only when the
//   owner requires the password "immediately" after the display turns off (Lock Screen
//   settings); else the Mac wakes unlocked.
// The shortcut when Lendmode may use it, else the display's sleep.
#pragma once

#include "engine/CommandRunners.h"
#include "platform/Ports.h"

namespace lendmode {

enum class ScreenLockWay { Shortcut, DisplaySleep, Failed };

ScreenLockWay lockScreen(const CommandRunners& run, const platform::Ports& ports);

}  // namespace lendmode
