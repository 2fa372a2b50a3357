// Port: the version of macOS the program runs on, which decides how each setting is
// reached (System Preferences or System Settings, Do Not Disturb or Focus).
#pragma once

namespace platform {

struct MacOSRelease {
    int major = 10;
    int minor = 14;
    bool atLeast(int wantedMajor, int wantedMinor = 0) const {
        return major != wantedMajor ? major > wantedMajor : minor >= wantedMinor;
    }
};

class SystemVersion {
public:
    virtual ~SystemVersion() = default;
    virtual MacOSRelease release() const = 0;
};

}  // namespace platform
