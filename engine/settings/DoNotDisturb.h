// What the Do Not Disturb setting offers beside its row: from macOS 12 on it switches
// Focus by running two of the owner's Shortcuts.
#pragma once

#include <string>
#include <vector>

#include "engine/CommandRunners.h"
#include "model/UserDefaults.h"

namespace lendmode::settings {

// The names `shortcuts list` prints, in its order; none when it cannot run (before
// macOS 12 the tool is missing).
std::vector<std::string> focusShortcuts(const CommandRunners& run);
bool focusShortcutExists(const CommandRunners& run, const std::string& name);
// The Shortcut chosen for switching Focus on (or off), or its default name.
std::string focusShortcutName(UserDefaults* prefs, bool on);

}  // namespace lendmode::settings
