// Port: the trackpad and mouse scroll direction, changed at once without UI scripting
// (from macOS 13 on, System Settings has nothing a script can click).
#pragma once

namespace platform {

class ScrollDirection {
public:
    virtual ~ScrollDirection() = default;
    enum class Change {
        InEffect,     // stored and in effect now
        AtNextLogin,  // stored only: it takes effect when the owner next logs in
        Failed,       // nothing was stored
    };
    // Natural scrolling on (true) or off, stored in
    // NSGlobalDomain com.apple.swipescrolldirection.
    virtual Change setNaturalScrolling(bool natural) = 0;
};

}  // namespace platform
