#include "engine/HotCornerText.h"

#include <optional>
#include <set>
#include <string>
#include <utility>

namespace lendmode {
namespace {

// Top-level entries of a whole-domain listing are indented by four spaces, nested
// ones by eight or more. String values print their line breaks as \n, so no value can
// start a line of its own.
constexpr std::string_view kTopLevelIndent = "    ";
// The longest a 64-bit integer prints; longer digit runs are no value the Dock keeps.
constexpr std::size_t kMaxDigits = 19;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Entry {
    std::string_view key;
    std::string_view digits;
};

// `    "KEY" =`, with optional blanks before the '=': the key and where its value
// starts, or nothing.
std::optional<std::pair<std::string_view, std::size_t>> topLevelKey(std::string_view line) {
    if (!line.starts_with(kTopLevelIndent)) return std::nullopt;
    line.remove_prefix(kTopLevelIndent.size());
    // The quote right after the indent also rules out deeper indents.
    if (!line.starts_with('"')) return std::nullopt;
    const std::size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::size_t i = close + 1;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size() || line[i] != '=') return std::nullopt;
    return std::pair(line.substr(1, close - 1), kTopLevelIndent.size() + i + 1);
}

// `    "KEY" = DIGITS;`, with optional blanks around the '=', or nothing.
std::optional<Entry> topLevelNumberEntry(std::string_view line) {
    const auto keyed = topLevelKey(line);
    if (!keyed) return std::nullopt;
    const std::string_view key = keyed->first;
    std::size_t i = keyed->second;
    while (i < line.size() && isBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && isDigit(line[i])) ++i;
    if (i == start || i - start > kMaxDigits || line.substr(i) != ";") return std::nullopt;
    return Entry{key, line.substr(start, i - start)};
}

}  // namespace

void readHotCornersFromDockListing(std::string_view listing, plist::Dictionary& corners) {
    std::set<std::string_view> found;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        const std::string_view line = listing.substr(0, end);
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        const auto entry = topLevelNumberEntry(line);
        if (!entry) continue;
        const auto it = corners.find(entry->key);
        if (it == corners.end() || !found.insert(it->first).second) continue;
        it->second = std::string(entry->digits);
    }
}

bool dockListingHasKey(std::string_view listing, std::string_view key) {
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        const auto keyed = topLevelKey(listing.substr(0, end));
        if (keyed && keyed->first == key) return true;
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
    }
    return false;
}

}  // namespace lendmode
