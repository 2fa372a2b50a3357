// Conversions between the property-list value type and Foundation's property-list
// objects, for the Objective-C++ files of the native layer only.
#pragma once

#ifndef __OBJC__
#error "FoundationValues.h is for Objective-C++ (.mm) files"
#endif

#import <Foundation/Foundation.h>

#include <optional>
#include <string>

#include "base/plist/Value.h"

namespace platform::macos {

// The text as an NSString; an empty one when the text is not UTF-8.
NSString* foundationString(const std::string& text);
// The text's UTF-8, NUL characters included; empty for nil or a string with no UTF-8
// form (a lone surrogate).
std::string utf8String(NSString* text);

// NSString, NSNumber (booleans as the CFBoolean singletons), NSDate, NSData, NSArray or
// NSDictionary: what CFPreferences stores. nil when a text in it (a string or a key)
// is not UTF-8, so that nothing is stored in place of what was given.
id foundationObject(const plist::Value& value);
// The value of a property-list object; nothing for any other object, or for a
// collection holding one (such as a dictionary with a key that is not a string).
std::optional<plist::Value> plistValue(id object);

}  // namespace platform::macos
