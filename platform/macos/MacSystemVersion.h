// The version of macOS the program runs on, from NSProcessInfo.
#pragma once

#include "platform/SystemVersion.h"

namespace platform::macos {

class MacSystemVersion : public SystemVersion {
public:
    MacOSRelease release() const override;
};

// The release of a reported version. macOS 11 and later report themselves as 10.16 to a
// program built with an SDK older than 11, so 10.16 and above are read as 11.0, the
// earliest release that can mean; a version older than any macOS gives the default.
inline MacOSRelease releaseOfReportedVersion(long major, long minor) {
    if (major < 10 || minor < 0) return {};
    if (major == 10 && minor >= 16) return {11, 0};
    return {static_cast<int>(major), static_cast<int>(minor)};
}

}  // namespace platform::macos
