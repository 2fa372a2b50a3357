#include "platform/macos/MacUserDefaultsStore.h"

#import <Foundation/Foundation.h>

#include <CoreFoundation/CoreFoundation.h>

#include "platform/macos/FoundationValues.h"

namespace platform::macos {
namespace {

// The current user's values of the domain on any host: where CFPreferencesSetAppValue
// and `defaults write DOMAIN` put them.
id copyStored(NSString* key, NSString* domain) {
    return CFBridgingRelease(CFPreferencesCopyValue((__bridge CFStringRef)key, (__bridge CFStringRef)domain,
                                                    kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
}

void setStored(NSDictionary* toSet, NSArray* toRemove, NSString* domain) {
    CFPreferencesSetMultiple((__bridge CFDictionaryRef)toSet, (__bridge CFArrayRef)toRemove,
                             (__bridge CFStringRef)domain, kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
}

bool synchronize(NSString* domain) {
    return CFPreferencesSynchronize((__bridge CFStringRef)domain, kCFPreferencesCurrentUser,
                                    kCFPreferencesAnyHost);
}

// Sets and removes keys as one change and writes it to disk; puts the earlier values
// back when the write fails.
bool change(NSDictionary* toSet, NSArray* toRemove, NSString* domain) {
    NSMutableDictionary* before = [NSMutableDictionary dictionary];
    NSMutableArray* absentBefore = [NSMutableArray array];
    for (NSString* key in [toSet.allKeys arrayByAddingObjectsFromArray:toRemove]) {
        id old = copyStored(key, domain);
        if (old) {
            before[key] = old;
        } else {
            [absentBefore addObject:key];
        }
    }
    setStored(toSet, toRemove, domain);
    if (synchronize(domain)) return true;
    setStored(before, absentBefore, domain);
    synchronize(domain);
    return false;
}

}  // namespace

std::optional<plist::Value> MacUserDefaultsStore::read(const std::string& key) {
    @autoreleasepool {
        id stored = copyStored(foundationString(key), foundationString(domain_));
        return stored ? plistValue(stored) : std::nullopt;
    }
}

bool MacUserDefaultsStore::write(const std::string& key, const plist::Value& value) {
    return writeAll(plist::Dictionary{{key, value}});
}

bool MacUserDefaultsStore::remove(const std::string& key) {
    @autoreleasepool {
        return change(@{}, @[ foundationString(key) ], foundationString(domain_));
    }
}

bool MacUserDefaultsStore::writeAll(const plist::Dictionary& values) {
    @autoreleasepool {
        // A text that is not UTF-8 cannot be stored as given: store nothing and say so.
        NSDictionary* converted = foundationObject(plist::Value(values));
        if (!converted) return false;
        return change(converted, @[], foundationString(domain_));
    }
}

}  // namespace platform::macos
