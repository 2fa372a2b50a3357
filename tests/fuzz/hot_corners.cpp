// The hot-corner reader (engine/HotCornerText): the Dock's corner values from the
// lines of `defaults read com.apple.dock | grep wvous`, and whether a listing holds a
// key at its top level.
//
// The first byte picks what the rest is:
//   0: a listing as any text: only keys asked for change, each to 1 to 19 digits, and
//      only keys the listing holds; the lines grep leaves (those holding "wvous") give
//      what the whole text gives;
//   1: a Dock domain: its listing as the simulated `defaults` prints it gives, for
//      each key asked for, the value the domain holds at its top level when that value
//      prints as plain digits, and keeps the others as they were; it holds exactly the
//      keys the domain holds at its top level.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/HotCornerText.h"
#include "model/Keys.h"
#include "sim/defaults/PlistText.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

const std::vector<std::string_view>& words() {
    static const std::vector<std::string_view> w = [] {
        std::vector<std::string_view> list(std::begin(lendmode::kHotCornerKeys),
                                           std::end(lendmode::kHotCornerKeys));
        for (const char* other : {"orientation", "autohide", "persistent-apps", "tile-type", "wvous",
                                  "wvous-tl", "12", "0", "-1", "1.5", ""}) {
            list.emplace_back(other);
        }
        return list;
    }();
    return w;
}

// The eight keys at "0", and sometimes a key of the input's own.
plist::Dictionary cornersToRead(fuzz::Input& in) {
    plist::Dictionary corners;
    for (const char* key : lendmode::kHotCornerKeys) corners.emplace(key, "0");
    if (in.flag()) {
        std::string key = "wvous-" + in.text(8);
        // A key the listing quotes without escapes, as every key of the Dock's does.
        if (sim::quotedString(key) == "\"" + key + "\"") corners.insert_or_assign(std::move(key), "keep");
    }
    return corners;
}

bool isDigits(std::string_view text) {
    return !text.empty() && text.size() <= 19 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string grepWvous(std::string_view text) {
    std::string out;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.find("wvous") != std::string_view::npos) {
            out += line;
            out += '\n';
        }
        start = end + 1;
    }
    return out;
}

void anyText(fuzz::Input& in) {
    const plist::Dictionary before = cornersToRead(in);
    const std::string_view text = in.rest();
    plist::Dictionary corners = before;
    lendmode::readHotCornersFromDockListing(text, corners);
    fuzz::require(corners.size() == before.size(), "only keys asked for are set", fuzz::showBytes(text));
    for (const auto& [key, value] : corners) {
        fuzz::require(value == before.at(key) || (value.isString() && isDigits(*value.asString())),
                      "a key is set to 1 to 19 digits or kept", fuzz::showBytes(text));
        const bool holds = lendmode::dockListingHasKey(text, key);
        if (value != before.at(key))
            fuzz::require(holds, "a key set is a key the listing holds", fuzz::showBytes(text));
        fuzz::require(lendmode::dockListingHasKey(grepWvous(text), key) == holds,
                      "grep's lines hold the keys the whole listing holds", fuzz::showBytes(text));
    }
    plist::Dictionary fromGrep = before;
    lendmode::readHotCornersFromDockListing(grepWvous(text), fromGrep);
    fuzz::require(fromGrep == corners, "grep's lines give what the whole listing gives",
                  fuzz::showBytes(text));
}

// A scalar as a listing prints it, when it prints bare.
std::optional<std::string> bareText(const plist::Value& value) {
    if (value.isBoolean()) return value.boolean() ? "1" : "0";
    if (!value.isString() && !value.isInteger() && !value.isReal()) return std::nullopt;
    const std::string text = sim::formatValueForRead(value);
    if (sim::quotedString(text) != text) return std::nullopt;
    return text;
}

void printedDomain(fuzz::Input& in) {
    plist::Dictionary corners = cornersToRead(in);
    fuzz::ValueOptions options;
    options.words = &words();
    options.maxDepth = 3;
    plist::Dictionary dock;
    const std::size_t n = in.below(12);
    for (std::size_t i = 0; i < n; ++i) {
        std::string key = in.wordOr(words(), 16);
        dock.insert_or_assign(std::move(key), fuzz::makeValue(in, options, 1));
    }
    plist::Dictionary expected = corners;
    for (auto& [key, value] : expected) {
        const auto it = dock.find(key);
        if (it == dock.end()) continue;
        const auto text = bareText(it->second);
        if (text && isDigits(*text)) value = *text;
    }
    const std::string listing = sim::formatDomainListing(dock);
    for (const auto& [key, value] : corners) {
        fuzz::require(lendmode::dockListingHasKey(listing, key) == (dock.count(key) > 0),
                      "a Dock listing holds exactly the domain's top-level keys",
                      fuzz::showBytes(key) + " in " + fuzz::showBytes(listing));
    }
    lendmode::readHotCornersFromDockListing(listing, corners);
    if (corners != expected) {
        fuzz::fail(
            "a Dock listing gives the top-level values that print as digits",
            "domain " + fuzz::show(plist::Value(dock)) + "\nread " + fuzz::show(plist::Value(corners)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    if (in.byte() % 2 == 0) {
        anyText(in);
    } else {
        printedDomain(in);
    }
    return 0;
}
