// The name the system shows for an application bundle: the last path component
// without its extension ("/Applications/Chess.app" gives "Chess").
#pragma once

#include <string>
#include <string_view>

namespace lendmode {

// A view into the path given.
inline std::string_view bundleDisplayName(std::string_view bundlePath) {
    const auto slash = bundlePath.rfind('/');
    std::string_view name = slash == std::string_view::npos ? bundlePath : bundlePath.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

}  // namespace lendmode
