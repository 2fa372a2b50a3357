#include "platform/macos/MacSystemVersion.h"

#import <Foundation/Foundation.h>

namespace platform::macos {

MacOSRelease MacSystemVersion::release() const {
    const NSOperatingSystemVersion version = NSProcessInfo.processInfo.operatingSystemVersion;
    return releaseOfReportedVersion(version.majorVersion, version.minorVersion);
}

}  // namespace platform::macos
