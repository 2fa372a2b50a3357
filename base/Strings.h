// Joining texts, the one way every layer does it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lendmode {

// The items with the separator between them (empty items add no separator).
inline std::string joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

}  // namespace lendmode
