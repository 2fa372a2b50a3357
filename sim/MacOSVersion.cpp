#include "sim/MacOSVersion.h"

#include <charconv>
#include <vector>

namespace sim {
namespace {

bool isRelease(int major, int minor) {
    if (major == 10) return minor == 14 || minor == 15;
    return (major >= 11 && major <= 15) || major == 26 || major == 27;
}

// Darwin's major version for a release: 18 for 10.14, 20 for 11, 25 for 26.
int darwinMajor(const MacOSVersion& v) {
    if (v.major == 10) return v.minor + 4;
    return v.major <= 15 ? v.major + 9 : v.major - 1;
}

}  // namespace

std::optional<MacOSVersion> MacOSVersion::parse(std::string_view text) {
    std::vector<int> parts;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        int n = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), n);
        if (part.empty() || part.size() > 2 || error != std::errc() || end != part.data() + part.size())
            return std::nullopt;
        parts.push_back(n);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    if (parts.size() > 3) return std::nullopt;
    MacOSVersion v{parts[0], parts.size() > 1 ? parts[1] : 0, parts.size() > 2 ? parts[2] : 0};
    if (v.major == 10 && parts.size() < 2) return std::nullopt;  // "10" names no release
    if (!isRelease(v.major, v.minor)) return std::nullopt;
    return v;
}

std::string MacOSVersion::text() const {
    std::string out = std::to_string(major) + "." + std::to_string(minor);
    if (patch != 0) out += "." + std::to_string(patch);
    return out;
}

std::string MacOSVersion::productName() const {
    return major == 10 ? "Mac OS X" : "macOS";
}

std::string MacOSVersion::buildVersion() const {
    const int release = major == 10 ? 0 : minor;
    return std::to_string(darwinMajor(*this)) + static_cast<char>('A' + release % 26) +
           std::to_string(100 + patch);
}

}  // namespace sim
