// Joining texts and cutting them into lines, the one way every layer does it.
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

// The lines of a text, without their line feeds; a line feed at the end starts no
// further line.
inline std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        out.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return out;
}

}  // namespace lendmode
