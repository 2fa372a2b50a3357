// The Mac's user-defaults store on GNUstep, against fake CFPreferences functions that
// keep two copies of each domain: the process's own, which every call reads and sets,
// and the preferences system's (cfprefsd's), which a synchronize reads back.
#import <Foundation/Foundation.h>

#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/Log.h"
#include "platform/macos/MacUserDefaultsStore.h"

using plist::Array;
using plist::Dictionary;
using plist::Value;
using platform::macos::MacUserDefaultsStore;

namespace {

struct Preferences {
    Preferences() = default;
    Preferences(const Preferences&) = delete;
    ~Preferences() {
        [process release];
        [system release];
    }
    NSMutableDictionary* process = [[NSMutableDictionary alloc] init];
    NSMutableDictionary* system = [[NSMutableDictionary alloc] init];
    // CFPreferencesSynchronize says false (and reads nothing back).
    bool synchronizeFails = false;
    // The keys the preferences system does not take, while synchronizing says true.
    std::set<std::string> refused;
    int synchronizes = 0;
};
Preferences* preferences = nullptr;

// One domain of one copy, by application, user and host.
NSMutableDictionary* domain(NSMutableDictionary* copy, CFStringRef application, CFStringRef user,
                            CFStringRef host) {
    NSString* name = [NSString stringWithFormat:@"%@ %@ %@", application, user, host];
    NSMutableDictionary* values = [copy objectForKey:name];
    if (!values) {
        values = [NSMutableDictionary dictionary];
        [copy setObject:values forKey:name];
    }
    return values;
}

}  // namespace

const CFStringRef kCFPreferencesCurrentUser = (__bridge CFStringRef) @"kCFPreferencesCurrentUser";
const CFStringRef kCFPreferencesAnyHost = (__bridge CFStringRef) @"kCFPreferencesAnyHost";

CFPropertyListRef CFPreferencesCopyValue(CFStringRef key, CFStringRef application, CFStringRef user,
                                         CFStringRef host) {
    id value = [domain(preferences->process, application, user, host) objectForKey:(__bridge NSString*)key];
    return (__bridge CFPropertyListRef)[value retain];  // a copy belongs to the caller
}

void CFPreferencesSetMultiple(CFDictionaryRef keysToSet, CFArrayRef keysToRemove, CFStringRef application,
                              CFStringRef user, CFStringRef host) {
    NSDictionary* toSet = (__bridge NSDictionary*)keysToSet;
    NSArray* toRemove = (__bridge NSArray*)keysToRemove;
    NSMutableDictionary* process = domain(preferences->process, application, user, host);
    NSMutableDictionary* system = domain(preferences->system, application, user, host);
    for (NSString* key in toRemove) {
        [process removeObjectForKey:key];
        if (!preferences->refused.count([key UTF8String])) [system removeObjectForKey:key];
    }
    for (NSString* key in toSet) {
        [process setObject:[toSet objectForKey:key] forKey:key];
        if (!preferences->refused.count([key UTF8String]))
            [system setObject:[toSet objectForKey:key] forKey:key];
    }
}

Boolean CFPreferencesSynchronize(CFStringRef application, CFStringRef user, CFStringRef host) {
    ++preferences->synchronizes;
    if (preferences->synchronizeFails) return false;
    NSMutableDictionary* process = domain(preferences->process, application, user, host);
    [process setDictionary:domain(preferences->system, application, user, host)];
    return true;
}

namespace {

class MacUserDefaultsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = [[NSAutoreleasePool alloc] init];
        preferences = &prefs;
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
    }
    void TearDown() override {
        lendmode::log::setSink({});
        preferences = nullptr;
        [pool drain];
    }
    NSDictionary* systemCopy() {
        return domain(prefs.system, (__bridge CFStringRef) @"com.lendmode.Lendmode",
                      kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    }

    NSAutoreleasePool* pool = nil;
    Preferences prefs;
    MacUserDefaultsStore store{"com.lendmode.Lendmode"};
};

TEST_F(MacUserDefaultsStoreTest, ValuesKeepTheirKindsInTheProgramsDomain) {
    ASSERT_TRUE(
        store.writeAll(Dictionary{{"yes", true}, {"one", 1}, {"sets", Array{Array{"Chess", false}}}}));
    EXPECT_EQ(prefs.synchronizes, 1) << "one change";
    EXPECT_EQ(systemCopy().count, 3u) << "the current user's values on any host";
    EXPECT_TRUE(store.read("yes")->isBoolean());
    EXPECT_TRUE(store.read("one")->isInteger());
    EXPECT_EQ(*store.read("sets"), Value(Array{Array{"Chess", false}}));

    ASSERT_TRUE(store.remove("one"));
    EXPECT_FALSE(store.read("one").has_value());
    EXPECT_FALSE(store.read("never written").has_value());

    // Text that is not UTF-8 stores nothing of the change.
    EXPECT_FALSE(store.writeAll(Dictionary{{"fine", 2}, {"bad", "Caf\xe9"}}));
    EXPECT_FALSE(store.read("fine").has_value());
}

TEST_F(MacUserDefaultsStoreTest, AChangeThatCannotBeSynchronizedIsPutBack) {
    ASSERT_TRUE(store.write("kept", 1));
    prefs.synchronizeFails = true;
    EXPECT_FALSE(store.writeAll(Dictionary{{"kept", 2}, {"new", 3}}));
    EXPECT_EQ(*store.read("kept"), Value(1));
    EXPECT_FALSE(store.read("new").has_value());
    EXPECT_FALSE(store.remove("kept"));
    EXPECT_EQ(*store.read("kept"), Value(1));
}

// Synchronizing seldom says false: the preferences system takes the change and writes
// its file later. A key it did not take reads back as before, and the whole change is
// put back.
TEST_F(MacUserDefaultsStoreTest, AChangeThePreferencesSystemDidNotTakeIsFoundAndPutBack) {
    ASSERT_TRUE(store.writeAll(Dictionary{{"kept", 1}, {"refused", 1}}));
    prefs.refused = {"refused"};
    EXPECT_FALSE(store.writeAll(Dictionary{{"kept", 2}, {"refused", 2}, {"new", 3}}));
    EXPECT_EQ(*store.read("kept"), Value(1)) << "all of the change or none";
    EXPECT_EQ(*store.read("refused"), Value(1));
    EXPECT_FALSE(store.read("new").has_value());
    EXPECT_EQ(systemCopy().count, 2u);

    EXPECT_FALSE(store.remove("refused")) << "a removal it did not take";
    EXPECT_EQ(*store.read("refused"), Value(1));
    EXPECT_TRUE(store.write("kept", 5)) << "a key it takes";
    EXPECT_EQ(*store.read("kept"), Value(5));
}

}  // namespace
