// The installed applications, as records of [display name, disabled flag, bundle path].
#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/BundleName.h"
#include "model/Preferences.h"

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

plist::Array Preferences::appListOnSystem() {
    return applicationRecords(runShellScript(kApplicationQuery).value_or(""));
}

plist::Array Preferences::applicationRecords(std::string_view queryOutput) {
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
    for (const Found& f : found) {
        // Built in place: a braced list would copy the texts.
        plist::Array record;
        record.reserve(3);
        record.emplace_back(std::string(f.name));
        record.emplace_back(false);
        record.emplace_back(std::string(f.path));
        records.emplace_back(std::move(record));
    }
    return records;
}

bool Preferences::listsTheSameApplications(const plist::Array& records, std::string_view queryOutput) {
    // The query's application paths in an open-addressed table: one allocation, where
    // a hash set would make one per path.
    std::size_t size = 16;
    while (size < 2 * records.size()) size *= 2;
    const std::size_t mask = size - 1;
    std::vector<std::string_view> table(size);  // an empty view is a free slot: no path is empty
    std::vector<char> matched(size, 0);
    const std::hash<std::string_view> hash;
    const auto slotOf = [&](std::string_view path) {
        std::size_t i = hash(path) & mask;
        while (!table[i].empty() && table[i] != path) i = (i + 1) & mask;
        return i;
    };
    const std::vector<std::string_view> paths = applicationPaths(queryOutput);
    if (paths.size() != records.size()) return false;
    for (std::string_view path : paths) {
        const std::size_t i = slotOf(path);
        if (!table[i].empty()) return false;  // listed twice
        table[i] = path;
    }
    // Each record one of those paths, a different one, as applicationRecords makes it.
    return std::all_of(records.begin(), records.end(), [&](const plist::Value& record) {
        const plist::Array* fields = record.asArray();
        if (!fields || fields->size() != 3) return false;
        const std::string* name = (*fields)[0].asString();
        const std::string* path = (*fields)[2].asString();
        if (!name || !path || path->empty() || !(*fields)[1].isBoolean() || (*fields)[1].boolean())
            return false;
        const std::size_t i = slotOf(*path);
        if (table[i].empty() || matched[i]) return false;
        matched[i] = 1;
        return *name == bundleDisplayName(*path);
    });
}

namespace {

std::string_view pathOf(const plist::Value& record) {
    const plist::Array* fields = record.asArray();
    return fields && fields->size() > 2 && (*fields)[2].isString()
               ? std::string_view(*(*fields)[2].asString())
               : std::string_view();
}

std::string_view nameOf(const plist::Value& record) {
    const plist::Array* fields = record.asArray();
    return fields && !fields->empty() && (*fields)[0].isString() ? std::string_view(*(*fields)[0].asString())
                                                                 : std::string_view();
}

bool isTicked(const plist::Value& record) {
    const plist::Array* fields = record.asArray();
    return fields && fields->size() > 1 && (*fields)[1].truthValue();
}

}  // namespace

plist::Array Preferences::mergedApplicationRecords(const plist::Array& listed,
                                                   const plist::Array& installed) {
    if (installed.empty()) return listed;
    // Installed applications by path and by name; listed ones by path, and by name for
    // records without a path (made by older versions).
    std::unordered_set<std::string_view> installedPaths, installedNames, listedPaths, listedNames;
    for (const plist::Value& record : installed) {
        installedPaths.insert(pathOf(record));
        installedNames.insert(nameOf(record));
    }

    plist::Array merged;
    merged.reserve(listed.size() + installed.size());
    for (const plist::Value& record : listed) {
        const std::string_view path = pathOf(record);
        const bool present =
            path.empty() ? installedNames.contains(nameOf(record)) : installedPaths.contains(path);
        if (path.empty()) {
            listedNames.insert(nameOf(record));
        } else {
            listedPaths.insert(path);
        }
        // A ticked record stays even when its application is gone: it is the owner's
        // choice, and the application may come back.
        if (present || isTicked(record)) merged.push_back(record);
    }
    for (const plist::Value& record : installed) {
        if (!listedPaths.contains(pathOf(record)) && !listedNames.contains(nameOf(record))) {
            merged.push_back(record);
        }
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const plist::Value& a, const plist::Value& b) { return nameOf(a) < nameOf(b); });
    return merged;
}

}  // namespace lendmode
