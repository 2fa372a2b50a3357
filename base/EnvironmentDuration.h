// A duration given in milliseconds through an environment variable (how tests shorten
// the program's and the simulated Mac's waits).
#pragma once

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace lendmode {

// The variable's value as a whole, non-negative number of milliseconds; nothing when it
// is unset, empty or anything else.
inline std::optional<std::chrono::milliseconds> millisecondsFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (!text || !*text) return std::nullopt;
    const std::string_view digits(text);
    long long ms = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
    if (ec != std::errc() || end != digits.data() + digits.size() || ms < 0) return std::nullopt;
    return std::chrono::milliseconds(ms);
}

}  // namespace lendmode
