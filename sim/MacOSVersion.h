// A macOS version as the simulated Mac reports it (sw_vers, the status table) and
// behaves by: one of the releases from 10.14 to 27.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct MacOSVersion {
    int major = 10;
    int minor = 14;
    int patch = 0;

    // "10.14", "10.15.7", "12", "14.5", "26.0.1": a release from 10.14 to 27 (Apple
    // numbered 15 and then 26). Nothing for any other text.
    static std::optional<MacOSVersion> parse(std::string_view text);
    // What sw_vers prints as ProductVersion: "10.14", "14.0", "26.0.1".
    std::string text() const;
    // "Mac OS X" before 11, "macOS" from 11 on, as sw_vers names it.
    std::string productName() const;
    // A build number of Apple's form (Darwin's major version, a letter for the minor
    // release, a number): a stand-in, not the real build of that release.
    std::string buildVersion() const;

    auto operator<=>(const MacOSVersion&) const = default;
};

// What a simulated Mac that names no version is: one seeded before versions were
// stored behaved as 10.14, and keeps doing so.
inline constexpr MacOSVersion kOldestMacOS{10, 14, 0};
// What a new simulated Mac is seeded as: the newest release whose behaviour the
// simulated Mac follows.
inline constexpr MacOSVersion kTodaysMacOS{26, 0, 0};

}  // namespace sim
