#include "platform/macos/MacUserDefaultsStore.h"

#import <Foundation/Foundation.h>

#include <CoreFoundation/CoreFoundation.h>

#include "base/Log.h"
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

// The keys that do not read back as the change left them: set to its value, or removed.
NSArray* keysNotAsChanged(NSDictionary* toSet, NSArray* toRemove, NSString* domain) {
    NSMutableArray* differing = [NSMutableArray array];
    for (NSString* key in toSet) {
        if (![copyStored(key, domain) isEqual:[toSet objectForKey:key]]) [differing addObject:key];
    }
    for (NSString* key in toRemove) {
        if (copyStored(key, domain)) [differing addObject:key];
    }
    return differing;
}

// Sets and removes keys as one change, and puts the earlier values back when the
// change is seen not to have been taken. Little can be seen: CFPreferences hands the
// change to cfprefsd, which writes the domain's file later, on its own, and tells
// nobody when that fails (a full disk, a folder made read-only). Synchronizing waits
// for the pending updates and reads the domain back; it seldom says false (Apple calls
// NSUserDefaults' synchronize unnecessary), but when it does the change is undone. The
// change is then read back key by key, as read() reads: a key the preferences system
// did not take (a domain this user may not write) reads as before, and then nothing
// of the change is kept.
bool change(NSDictionary* toSet, NSArray* toRemove, NSString* domain) {
    NSMutableDictionary* before = [NSMutableDictionary dictionary];
    NSMutableArray* absentBefore = [NSMutableArray array];
    for (NSString* key in [toSet.allKeys arrayByAddingObjectsFromArray:toRemove]) {
        id old = copyStored(key, domain);
        if (old) {
            [before setObject:old forKey:key];
        } else {
            [absentBefore addObject:key];
        }
    }
    setStored(toSet, toRemove, domain);
    const bool synchronized = synchronize(domain);
    NSArray* differing = synchronized ? keysNotAsChanged(toSet, toRemove, domain) : @[];
    if (synchronized && differing.count == 0) return true;
    const std::string why =
        synchronized ? utf8String([differing componentsJoinedByString:@", "]) + " read back otherwise"
                     : "synchronizing failed";
    lendmode::log::error("Storing the preferences of " + utf8String(domain) + " failed (" + why +
                         "); the earlier values are back");
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
