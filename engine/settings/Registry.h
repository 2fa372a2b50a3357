// The system settings of a definition set, each defined in its own file here.
#pragma once

#include <vector>

#include "engine/settings/Setting.h"
#include "model/Keys.h"

namespace lendmode::settings {

const Setting& doNotDisturb();
const Setting& hotCorners();
const Setting& defaultBrowser();
const Setting& naturalScrolling();
const Setting& dockVisibility();
const Setting& dockLocation();
const Setting& appearance();
// For presenting and sharing the screen: each changes the system only when ticked.
const Setting& muteSound();
const Setting& desktopIcons();
const Setting& keepAwake();

// Every setting, in the order of the rows of a set.
const std::vector<const Setting*>& all();
// How many of them come before the application list in a new set; the rest follow it.
std::size_t beforeApplicationList();
// The setting of a row ID; nullptr for a row that is no system setting.
const Setting* forRow(std::uint64_t id);

}  // namespace lendmode::settings
