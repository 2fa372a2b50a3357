// The windows' bundled resources: interface images, the status item's images and the
// named colours, compiled into this library.
#pragma once

#include <QIcon>

namespace lendmode::ui {

// Registers the compiled resources; safe to call any number of times. The windows
// call it themselves; the application shell calls it before loading an image.
void initResources();

// The status item's image: "MenuIcon" (Lendmode off) or "MenuIconOn", at every size
// the bundle holds.
QIcon menuIcon(bool lendmodeOn);
// The menu bar's image of the status item. Off: "MenuIconTemplate", a mask (black and
// transparency only, QIcon::isMask) that the menu bar draws in its own colour, light or
// dark, as Apple asks of menu bar extras. On: "MenuIconOn" in its colour, which is what
// tells the owner that guest mode is on.
QIcon statusItemIcon(bool lendmodeOn);

}  // namespace lendmode::ui
