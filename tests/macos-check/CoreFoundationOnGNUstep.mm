// The few Core Foundation functions the conversions use, for running them on
// GNUstep base, which has no Core Foundation: Apple's CFBoolean singletons are
// GNUstep's boolean NSNumbers, and only booleans need a type of their own.
#import <Foundation/Foundation.h>

#include <CoreFoundation/CoreFoundation.h>

namespace {

constexpr CFTypeID kBooleanTypeID = 21;
constexpr CFTypeID kOtherTypeID = 1;

}  // namespace

CFTypeID CFBooleanGetTypeID(void) {
    return kBooleanTypeID;
}

CFTypeID CFGetTypeID(CFTypeRef object) {
    id value = (__bridge id)object;
    const bool boolean = [value isKindOfClass:[[NSNumber numberWithBool:YES] class]];
    return boolean ? kBooleanTypeID : kOtherTypeID;
}
