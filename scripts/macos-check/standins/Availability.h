// Stand-in for the SDK's Availability.h: version numbers, the deployment target from
// the -target triple, and an SDK as new as macOS 15.
#pragma once
#define __MAC_10_6 1060
#define __MAC_10_9 1090
#define __MAC_10_10 101000
#define __MAC_10_11 101100
#define __MAC_10_12 101200
#define __MAC_10_13 101300
#define __MAC_10_14 101400
#define __MAC_10_15 101500
#define __MAC_11_0 110000
#define __MAC_12_0 120000
#define __MAC_13_0 130000
#define __MAC_14_0 140000
#define __MAC_15_0 150000
#define __MAC_NA 9999
#define __MAC_OS_X_VERSION_MIN_REQUIRED __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__
#define __MAC_OS_X_VERSION_MAX_ALLOWED __MAC_15_0

// Apple's availability annotations for one platform, as its headers write them:
// API_AVAILABLE(macos(12.0)), API_DEPRECATED("why", macos(10.4, 12.0)).
#define __LM_API_AVAILABLE_macos(since) macos, introduced = since
#define __LM_API_DEPRECATED_macos(since, until) macos, introduced = since, deprecated = until
#define API_AVAILABLE(platform) __attribute__((availability(__LM_API_AVAILABLE_##platform)))
#define API_DEPRECATED(why, platform) \
    __attribute__((availability(__LM_API_DEPRECATED_##platform, message = why)))
