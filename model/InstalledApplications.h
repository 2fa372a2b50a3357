// How the program names an application: its bundle's file name without extension.
#pragma once

#include <string>
#include <string_view>

namespace lendmode {

// Safari for /Applications/Safari.app; a path without extension gives its last
// component.
std::string bundleDisplayName(std::string_view bundlePath);

}  // namespace lendmode
