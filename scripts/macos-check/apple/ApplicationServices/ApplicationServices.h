// ApplicationServices as Apple declares it, for what the native layer uses: whether
// the process is a trusted accessibility client (HIServices, AXUIElement.h). The
// umbrella also brings CoreServices, as Apple's does.
#pragma once
#include <Availability.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#ifdef __cplusplus
extern "C" {
#endif

Boolean AXIsProcessTrusted(void) API_AVAILABLE(macos(10.9));

#ifdef __cplusplus
}
#endif
