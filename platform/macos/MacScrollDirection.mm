#include "platform/macos/MacScrollDirection.h"

#import <Foundation/Foundation.h>

#include <CoreFoundation/CoreFoundation.h>
#include <dlfcn.h>

#include "base/Log.h"
#include "platform/macos/FoundationValues.h"

namespace platform::macos {
namespace {

constexpr const char* kKey = "com.apple.swipescrolldirection";

// The one private interface Lendmode uses. Written to the global domain, the key takes
// effect only at the next login; the trackpad and mouse panes apply a change at once
// with this function of a private framework, taking the new value as a BOOL. Apple
// documents neither, but the function has kept its name and argument through macOS
// 26, and mature open-source utilities call it this way. It is looked up at run time,
// once, so that a macOS without it still gets the key.
using SetSwipeScrollDirection = void (*)(BOOL natural);
constexpr const char* kFramework =
    "/System/Library/PrivateFrameworks/PreferencePanesSupport.framework/PreferencePanesSupport";
constexpr const char* kFunction = "setSwipeScrollDirection";
// What the panes post afterwards, so that running applications read the new direction.
NSString* const kChanged = @"SwipeScrollDirectionDidChangeNotification";

SetSwipeScrollDirection swipeScrollDirectionFunction() {
    static const SetSwipeScrollDirection function = []() -> SetSwipeScrollDirection {
        // From macOS 11 on the framework's file is not on disk: the system's libraries
        // are in the dynamic linker's shared cache, which only dlopen searches (macOS Big
        // Sur 11.0.1 release notes). So its presence is asked of dlopen.
        void* framework = dlopen(kFramework, RTLD_LAZY | RTLD_LOCAL);
        if (!framework) {
            lendmode::log::info(std::string("The scroll direction applies at the next login: ") + dlerror());
            return nullptr;
        }
        auto* found = reinterpret_cast<SetSwipeScrollDirection>(dlsym(framework, kFunction));
        if (!found)
            lendmode::log::info("The scroll direction applies at the next login: no setSwipeScrollDirection");
        return found;
    }();
    return function;
}

}  // namespace

// NSGlobalDomain, where `defaults write -g` stores, is kCFPreferencesAnyApplication.
MacScrollDirection::MacScrollDirection()
    : global_(utf8String((__bridge NSString*)kCFPreferencesAnyApplication)) {}

ScrollDirection::Change MacScrollDirection::setNaturalScrolling(bool natural) {
    if (!global_.write(kKey, plist::Value(natural))) return Change::Failed;
    const SetSwipeScrollDirection apply = swipeScrollDirectionFunction();
    if (!apply) return Change::AtNextLogin;
    apply(natural ? YES : NO);
    CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(),
                                         (__bridge CFStringRef)kChanged, nullptr, nullptr, true);
    return Change::InEffect;
}

}  // namespace platform::macos
