// CoreServices as Apple declares it, for what the native layer uses: Apple event
// descriptors and the automation-permission question (AE), and the URL-handler
// functions of LaunchServices before macOS 12.
#pragma once
#include <Availability.h>
#include <CoreFoundation/CoreFoundation.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t OSStatus;
typedef int16_t OSErr;
typedef uint32_t FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef struct OpaqueAEDataStorageType* AEDataStorageType;
typedef AEDataStorageType* AEDataStorage;

struct AEDesc {
    DescType descriptorType;
    AEDataStorage dataHandle;
};
typedef struct AEDesc AEDesc;
typedef AEDesc AEAddressDesc;

enum { noErr = 0 };
enum { procNotFound = -600 };
enum {
    errAEEventNotPermitted = -1743,
    errAEEventWouldRequireUserConsent = -1744,
};
enum {
    typeWildCard = 0x2A2A2A2A,             // '****'
    typeAEList = 0x6C697374,               // 'list'
    typeNull = 0x6E756C6C,                 // 'null'
    typeApplicationBundleID = 0x62756E64,  // 'bund'
};

OSErr AECreateDesc(DescType typeCode, const void* dataPtr, size_t dataSize, AEDesc* result);
OSErr AEDisposeDesc(AEDesc* theAEDesc);
OSStatus AEDeterminePermissionToAutomateTarget(const AEAddressDesc* target, AEEventClass theAEEventClass,
                                               AEEventID theAEEventID, Boolean askUserIfNeeded)
    API_AVAILABLE(macos(10.14));

CFArrayRef LSCopyAllHandlersForURLScheme(CFStringRef inURLScheme)
    API_DEPRECATED("Use -[NSWorkspace URLsForApplicationsToOpenURL:] instead.", macos(10.4, 10.15));
CFStringRef LSCopyDefaultHandlerForURLScheme(CFStringRef inURLScheme)
    API_DEPRECATED("Use -[NSWorkspace URLForApplicationToOpenURL:] instead.", macos(10.4, 12.0));
OSStatus LSSetDefaultHandlerForURLScheme(CFStringRef inURLScheme, CFStringRef inHandlerBundleID)
    API_DEPRECATED(
        "Use -[NSWorkspace setDefaultApplicationAtURL:toOpenURLsWithScheme:completionHandler:] instead.",
        macos(10.4, 12.0));

#ifdef __cplusplus
}
#endif
