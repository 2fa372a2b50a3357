#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/BundleName.h"
#include "model/ApplicationRecord.h"
#include "model/InstalledApplications.h"

namespace lendmode {
namespace {

// The query's lines that are bundles in /Applications or /System/Applications.
std::vector<std::string_view> applicationPaths(std::string_view queryOutput) {
    std::vector<std::string_view> paths;
    std::size_t start = 0;
    while (start < queryOutput.size()) {
        auto end = queryOutput.find('\n', start);
        if (end == std::string_view::npos) end = queryOutput.size();
        const std::string_view line = queryOutput.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("/Applications/") || line.starts_with("/System/Applications/"))
            paths.push_back(line);
    }
    return paths;
}

}  // namespace

plist::Array applicationRecords(std::string_view queryOutput) {
    struct Found {
        std::string_view name, path;
    };
    const std::vector<std::string_view> paths = applicationPaths(queryOutput);
    std::vector<Found> found;
    found.reserve(paths.size());
    for (std::string_view path : paths) found.push_back({bundleDisplayName(path), path});
    // By character code, capitals before small letters; equal names in any order. A
    // merge sort: the query's order is often nearly sorted already, and numbered names
    // drove the quicksort into its slow fallback. Views are sorted; the texts are
    // made once, in their final place.
    const auto byName = [](const Found& a, const Found& b) { return a.name < b.name; };
    if (!std::is_sorted(found.begin(), found.end(), byName))
        std::stable_sort(found.begin(), found.end(), byName);
    plist::Array records;
    records.reserve(found.size());
    for (const Found& f : found)
        records.push_back(ApplicationRecord{std::string(f.name), false, std::string(f.path)}.stored());
    return records;
}

plist::Array mergedApplicationRecords(const plist::Array& listed, const plist::Array& installed) {
    if (installed.empty()) return listed;
    // Installed applications by path and by name; listed ones by path, and by name for
    // records without a path (made by older versions).
    std::unordered_set<std::string_view> installedPaths, installedNames, listedPaths, listedNames;
    for (const plist::Value& record : installed) {
        installedPaths.insert(ApplicationRecord::storedPath(record));
        installedNames.insert(ApplicationRecord::storedName(record));
    }

    plist::Array merged;
    merged.reserve(listed.size() + installed.size());
    for (const plist::Value& record : listed) {
        const std::string_view path = ApplicationRecord::storedPath(record);
        const bool present = path.empty() ? installedNames.contains(ApplicationRecord::storedName(record))
                                          : installedPaths.contains(path);
        if (path.empty()) {
            listedNames.insert(ApplicationRecord::storedName(record));
        } else {
            listedPaths.insert(path);
        }
        // A ticked record stays even when its application is gone: it is the owner's
        // choice, and the application may come back.
        if (present || ApplicationRecord::storedDisabled(record)) merged.push_back(record);
    }
    for (const plist::Value& record : installed) {
        if (!listedPaths.contains(ApplicationRecord::storedPath(record)) &&
            !listedNames.contains(ApplicationRecord::storedName(record))) {
            merged.push_back(record);
        }
    }
    std::stable_sort(merged.begin(), merged.end(), [](const plist::Value& a, const plist::Value& b) {
        return ApplicationRecord::storedName(a) < ApplicationRecord::storedName(b);
    });
    return merged;
}

}  // namespace lendmode
