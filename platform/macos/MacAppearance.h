// The system's light or dark appearance, as the application currently shows it.
#pragma once

namespace platform::macos {

// True when the application's effective appearance is dark (Dark Mode).
bool systemUsesDarkAppearance();

}  // namespace platform::macos
