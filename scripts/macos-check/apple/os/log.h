// The unified log (os/log.h) as Apple declares it, reduced to what Lendmode uses: a
// log object for a subsystem and category (macOS 10.12), the log types, and
// os_log_with_type.
#pragma once
#include <Availability.h>
#include <stdint.h>

#ifdef __OBJC__
#import <Foundation/Foundation.h>
// Under ARC, as in Apple's header, a log object is an Objective-C object.
@protocol OS_os_log <NSObject>
@end
typedef NSObject<OS_os_log>* os_log_t;
#define LENDMODE_OS_LOG_RETURNS_RETAINED __attribute__((ns_returns_retained))
#else
typedef struct os_log_s* os_log_t;
#define LENDMODE_OS_LOG_RETURNS_RETAINED
#endif

// A uint8_t with these values, as Apple's OS_ENUM declares it.
typedef uint8_t os_log_type_t;
enum {
    OS_LOG_TYPE_DEFAULT = 0x00,
    OS_LOG_TYPE_INFO = 0x01,
    OS_LOG_TYPE_DEBUG = 0x02,
    OS_LOG_TYPE_ERROR = 0x10,
    OS_LOG_TYPE_FAULT = 0x11,
};

#ifdef __cplusplus
extern "C" {
#endif
API_AVAILABLE(macos(10.12))
os_log_t os_log_create(const char* subsystem, const char* category) LENDMODE_OS_LOG_RETURNS_RETAINED;

// Stands in for what Apple's os_log_with_type macro expands to (a check of the type
// against the log's settings, then _os_log_impl with an encoded buffer): the format
// must be a string literal, and the arguments are checked against it as os_log
// formats, "%{public}s" included.
API_AVAILABLE(macos(10.12))
void lendmode_os_log_with_type_standin(os_log_t log, os_log_type_t type, const char* format, ...)
    __attribute__((__format__(__os_log__, 3, 4)));
#ifdef __cplusplus
}
#endif

#define os_log_with_type(log, type, format, ...) \
    lendmode_os_log_with_type_standin((log), (type), "" format, ##__VA_ARGS__)
