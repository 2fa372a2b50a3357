#include "platform/macos/MacActivationPolicy.h"

#import <AppKit/AppKit.h>

namespace platform::macos {

void MacActivationPolicy::setActivationPolicy(Policy policy) {
    [NSApp setActivationPolicy:policy == Policy::Regular ? NSApplicationActivationPolicyRegular
                                                         : NSApplicationActivationPolicyAccessory];
}

MacActivationPolicy::Policy MacActivationPolicy::activationPolicy() const {
    // A prohibited application shows neither in the Dock nor in the menu bar, as an
    // accessory one does.
    return [NSApp activationPolicy] == NSApplicationActivationPolicyRegular ? Policy::Regular
                                                                            : Policy::Accessory;
}

void MacActivationPolicy::activateIgnoringOtherApps() {
    if (@available(macOS 14, *)) {
        [NSApp activate];
    } else {
        [NSApp activateIgnoringOtherApps:YES];
    }
}

}  // namespace platform::macos
