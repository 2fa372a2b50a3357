// The windows follow the system's light or dark appearance, as a Mac application does:
// the palette is chosen when the popover or the preferences window opens.
#pragma once

#include <QPalette>

namespace lendmode {

QPalette lightPalette();
QPalette darkPalette();
// Sets the application's style and palette for the system's current appearance.
void applySystemAppearance();

}  // namespace lendmode
