// The installed applications, as records of [display name, disabled flag, bundle path].
#include <algorithm>
#include <string_view>

#include "base/BundleName.h"
#include "model/Preferences.h"

namespace lendmode {
namespace {

constexpr std::string_view kApplicationQuery =
    "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"";

}  // namespace

plist::Array Preferences::appListOnSystem() {
    return applicationRecords(runShellScript(std::string(kApplicationQuery)).value_or(""));
}

plist::Array Preferences::applicationRecords(std::string_view queryOutput) {
    struct Found {
        std::string name;
        std::string_view path;
    };
    std::vector<Found> found;
    std::size_t start = 0;
    while (start < queryOutput.size()) {
        auto end = queryOutput.find('\n', start);
        if (end == std::string_view::npos) end = queryOutput.size();
        const std::string_view line = queryOutput.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("/Applications/") || line.starts_with("/System/Applications/")) {
            found.push_back({bundleDisplayName(line), line});
        }
    }
    // By character code, capitals before small letters; equal names in any order.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.name < b.name; });
    plist::Array records;
    records.reserve(found.size());
    for (Found& f : found) records.emplace_back(plist::Array{std::move(f.name), false, std::string(f.path)});
    return records;
}

}  // namespace lendmode
