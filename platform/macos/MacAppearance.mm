#include "platform/macos/MacAppearance.h"

#import <AppKit/AppKit.h>

namespace platform::macos {

bool systemUsesDarkAppearance() {
    // The best match also classes the high-contrast and vibrant variants as light or dark.
    NSAppearanceName match = [NSApp.effectiveAppearance
        bestMatchFromAppearancesWithNames:@[ NSAppearanceNameAqua, NSAppearanceNameDarkAqua ]];
    return [match isEqualToString:NSAppearanceNameDarkAqua];
}

}  // namespace platform::macos
